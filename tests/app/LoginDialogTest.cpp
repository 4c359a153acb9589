#include "app/LoginDialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

namespace {

// Fills the dialog once it is open and presses Enter (log in) or Escape (skip).
void AnswerWhenOpen(const QString& password, bool tick, bool accept) {
    QTimer::singleShot(0, [=] {
        auto* dialog = qobject_cast<LoginDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        QTest::keyClicks(dialog->findChild<QLineEdit*>("PasswordEdit"), password);
        if (tick)
            dialog->findChild<QCheckBox*>("RememberBox")->click();
        QTest::keyClick(dialog, accept ? Qt::Key_Return : Qt::Key_Escape);
    });
}

} // namespace

class LoginDialogTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void showsTheServerAndAsks() {
        LoginDialog dialog({"ATLAS", "10.0.0.1:524", "ADMIN", false});
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Log in to ATLAS"));
        QCOMPARE(dialog.findChild<QLabel*>("ServerLabel")->text(), QStringLiteral("ATLAS (10.0.0.1:524)"));
        QCOMPARE(dialog.findChild<QLabel*>("UserLabel")->text(), QStringLiteral("ADMIN"));
        QCOMPARE(dialog.findChild<QLineEdit*>("PasswordEdit")->echoMode(), QLineEdit::Password);
    }

    void answersThePrompt_data() {
        QTest::addColumn<bool>("canRemember");
        QTest::addColumn<bool>("tick");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("password"); // "<none>": skipped
        QTest::addColumn<bool>("remember");
        QTest::addRow("log in") << true << false << true << "acme" << false;
        QTest::addRow("log in and remember") << true << true << true << "acme" << true;
        QTest::addRow("no keyring: the box cannot be ticked") << false << true << true << "acme" << false;
        QTest::addRow("skip the server") << true << false << false << "<none>" << false;
    }
    void answersThePrompt() {
        QFETCH(bool, canRemember);
        QFETCH(bool, tick);
        QFETCH(bool, accept);
        QFETCH(QString, password);
        QFETCH(bool, remember);
        LoginDialogPrompt prompt;
        AnswerWhenOpen("acme", tick, accept);
        const std::optional<NetClient::PasswordAnswer> answer =
            prompt.Ask({"ATLAS", "h:524", "ADMIN", canRemember});
        QCOMPARE(answer ? QString::fromStdString(answer->password.Reveal()) : QStringLiteral("<none>"),
                 password);
        if (answer)
            QCOMPARE(answer->remember, remember);
    }
};

QTEST_MAIN(LoginDialogTest)
#include "LoginDialogTest.moc"
