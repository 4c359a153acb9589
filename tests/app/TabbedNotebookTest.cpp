// The notebook asks before every page change, whatever the route, and honours a refusal.

#include "app/widgets/TabbedNotebook.h"

#include <QApplication>
#include <QPointingDevice>
#include <QStackedWidget>
#include <QTabBar>
#include <QTest>
#include <QWheelEvent>

#include <vector>

namespace {

enum class Route { TabClick, Accelerator, ArrowKey, MouseWheel, Code };

struct Fixture {
    QWidget window;
    TabbedNotebook* notebook = new TabbedNotebook(&window);
    std::vector<int> asked;
    bool allow = true;

    Fixture() {
        notebook->addPage(QStringLiteral("&Connections"), QStringLiteral("Page0"));
        notebook->addPage(QStringLiteral("E&xtensions"), QStringLiteral("Page1"));
        notebook->addPage(QStringLiteral("&Server Screen"), QStringLiteral("Page2"));
        notebook->setChangeHandler([this](int newTab, bool& allowChange) {
            asked.push_back(newTab);
            // The tab row must still show the current page while the handler decides.
            QCOMPARE(notebook->tabBar()->currentIndex(), notebook->pageIndex());
            if (!allow)
                allowChange = false;
        });
        notebook->resize(500, 300);
        window.resize(500, 300);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }

    int shownPage() const { return notebook->findChild<QStackedWidget*>()->currentIndex(); }

    void go(Route route, int target) {
        QTabBar* tabs = notebook->tabBar();
        switch (route) {
        case Route::TabClick:
            QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(target).center());
            break;
        case Route::Accelerator: {
            static const Qt::Key letters[] = {Qt::Key_C, Qt::Key_X, Qt::Key_S};
            QTest::keyClick(&window, letters[target], Qt::AltModifier);
            break;
        }
        case Route::ArrowKey:
            tabs->setFocus();
            QTest::keyClick(tabs, target > notebook->pageIndex() ? Qt::Key_Right : Qt::Key_Left);
            break;
        case Route::MouseWheel: {
            const QPointF at = tabs->rect().center();
            const int delta = target > notebook->pageIndex() ? -120 : 120;
            QWheelEvent wheel(at, tabs->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(tabs, &wheel);
            break;
        }
        case Route::Code:
            notebook->setPageIndex(target);
            break;
        }
    }
};

} // namespace

class TabbedNotebookTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyRouteAsksFirst_data() {
        QTest::addColumn<int>("route");
        QTest::addColumn<bool>("allow");
        const std::pair<const char*, Route> routes[] = {{"tab click", Route::TabClick},
                                                        {"accelerator", Route::Accelerator},
                                                        {"arrow key", Route::ArrowKey},
                                                        {"mouse wheel", Route::MouseWheel},
                                                        {"code", Route::Code}};
        for (const auto& [name, route] : routes) {
            QTest::addRow("%s, allowed", name) << static_cast<int>(route) << true;
            QTest::addRow("%s, refused", name) << static_cast<int>(route) << false;
        }
    }

    void everyRouteAsksFirst() {
        QFETCH(int, route);
        QFETCH(bool, allow);
        Fixture fixture;
        fixture.allow = allow;
        fixture.go(static_cast<Route>(route), 1);

        QCOMPARE(fixture.asked, std::vector<int>{1});
        const int expected = allow ? 1 : 0;
        QCOMPARE(fixture.notebook->pageIndex(), expected);
        QCOMPARE(fixture.notebook->tabBar()->currentIndex(), expected);
        QCOMPARE(fixture.shownPage(), expected);
    }

    void thePageAlreadyShownAsksNothing_data() {
        QTest::addColumn<int>("route");
        QTest::addRow("tab click") << static_cast<int>(Route::TabClick);
        QTest::addRow("accelerator") << static_cast<int>(Route::Accelerator);
        QTest::addRow("code") << static_cast<int>(Route::Code);
    }

    void thePageAlreadyShownAsksNothing() {
        QFETCH(int, route);
        Fixture fixture;
        fixture.go(static_cast<Route>(route), 0);
        QVERIFY(fixture.asked.empty());
        QCOMPARE(fixture.notebook->pageIndex(), 0);
    }

    void aRefusalLeavesLaterChangesWorking() {
        Fixture fixture;
        fixture.allow = false;
        fixture.go(Route::Code, 2);
        fixture.allow = true;
        fixture.go(Route::Code, 2);
        QCOMPARE(fixture.asked, (std::vector<int>{2, 2}));
        QCOMPARE(fixture.notebook->pageIndex(), 2);
        QCOMPARE(fixture.shownPage(), 2);
    }

    void silentChangeAsksNothing() {
        Fixture fixture;
        fixture.notebook->setPageIndexSilently(1);
        QVERIFY(fixture.asked.empty());
        QCOMPARE(fixture.notebook->tabBar()->currentIndex(), 1);
        QCOMPARE(fixture.shownPage(), 1);
    }
};

QTEST_MAIN(TabbedNotebookTest)
#include "TabbedNotebookTest.moc"
