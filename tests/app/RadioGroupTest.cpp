// A selection from code runs the click handler exactly as a user's click does.

#include "app/widgets/RadioGroup.h"

#include <QApplication>
#include <QRadioButton>
#include <QTest>

class RadioGroupTest final : public QObject {
    Q_OBJECT

private:
    struct Group {
        QWidget window;
        RadioGroup* group = new RadioGroup(QStringLiteral("Server &Screens"), &window);
        int clicks = 0;
        int indexSeenByHandler = -2;

        explicit Group(int entries) {
            for (int i = 0; i < entries; ++i)
                group->addItem(QStringLiteral("Screen %1").arg(i));
            QObject::connect(group, &RadioGroup::clicked, group, [this] {
                ++clicks;
                indexSeenByHandler = group->itemIndex();
            });
            window.resize(200, 200);
            group->resize(200, 200);
            window.show();
            QApplication::setActiveWindow(&window);
            QVERIFY(QTest::qWaitForWindowActive(&window));
        }
        QRadioButton* button(int index) const { return group->findChildren<QRadioButton*>().at(index); }
        // On the indicator: a radio button only takes clicks on its indicator and its text.
        void click(int index) const {
            QRadioButton* radio = button(index);
            QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(8, radio->height() / 2));
        }
    };

private Q_SLOTS:
    void selectionFromCode_data() {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("select");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<int>("after");
        QTest::addRow("none to first") << -1 << 0 << 1 << 0;
        QTest::addRow("first to second") << 0 << 1 << 1 << 1;
        QTest::addRow("same entry") << 1 << 1 << 0 << 1;
        QTest::addRow("clearing") << 1 << -1 << 0 << -1;
        QTest::addRow("out of range clears") << 1 << 7 << 0 << -1;
        QTest::addRow("clearing nothing") << -1 << -1 << 0 << -1;
    }

    void selectionFromCode() {
        QFETCH(int, before);
        QFETCH(int, select);
        QFETCH(int, clicks);
        QFETCH(int, after);
        Group g(3);
        g.group->setItemIndex(before);
        g.clicks = 0;
        g.group->setItemIndex(select);
        QCOMPARE(g.clicks, clicks);
        QCOMPARE(g.group->itemIndex(), after);
        if (clicks > 0)
            QCOMPARE(g.indexSeenByHandler, after); // the handler already sees the new selection
    }

    void userClicks() {
        Group g(3);
        g.click(2);
        QCOMPARE(g.clicks, 1);
        QCOMPARE(g.group->itemIndex(), 2);
        g.click(2); // the entry already selected
        QCOMPARE(g.clicks, 1);
        g.click(0);
        QCOMPARE(g.clicks, 2);
        QCOMPARE(g.indexSeenByHandler, 0);
    }

    void clearingItemsIsSilent() {
        Group g(3);
        g.group->setItemIndex(1);
        g.clicks = 0;
        g.group->clearItems();
        QCOMPARE(g.clicks, 0);
        QCOMPARE(g.group->count(), 0);
        QCOMPARE(g.group->itemIndex(), -1);
        g.group->addItem(QStringLiteral("again"));
        g.group->setItemIndex(0);
        QCOMPARE(g.clicks, 1);
        QCOMPARE(g.group->itemText(0), QStringLiteral("again"));
    }

    void duplicateNamesStayDistinctEntries() {
        QWidget window;
        RadioGroup group(QString(), &window);
        group.addItem(QStringLiteral("Logger Screen"));
        group.addItem(QStringLiteral("Logger Screen"));
        QCOMPARE(group.count(), 2);
        group.setItemIndex(1);
        QCOMPARE(group.itemIndex(), 1);
    }
};

QTEST_MAIN(RadioGroupTest)
#include "RadioGroupTest.moc"
