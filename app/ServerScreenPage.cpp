// The Server Screen page: the server's console screens, one shown as text, fed with keys.

#include "app/ConsoleInput.h"
#include "util/DisplayTexts.h"
#include "app/MainForm.h"
#include "app/widgets/RadioGroup.h"
#include "console/CodePage437.h"
#include "console/ConsoleLookup.h"
#include "console/ConsoleRequests.h"
#include "console/ScreenList.h"
#include "console/ScreenReader.h"
#include "netclient/SharedState.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStringList>

namespace {
constexpr int MaxKeysPerChange = 255;
constexpr std::uint8_t KeyEscape = 27;
constexpr std::uint8_t KeyCarriageReturn = 13;
} // namespace

void TMainForm::GetServerScreens(QObject* sender) {
    RadioGroupScreens->clearItems();
    if (!FindConsoleExtension())
        return;
    GetScreenNamesIntoRadioGroup(sender);
    if (RadioGroupScreens->count() > 0)
        RadioGroupScreens->setItemIndex(0);
}

void TMainForm::GetScreenNamesIntoRadioGroup(QObject*) {
    RadioGroupScreens->clearItems();
    NCP_Ext::WalkScreenList(CurrentConn, ConsoleExt.id, [this](std::uint32_t, const std::string& screenName) {
        RadioGroupScreens->addItem(ShownName(screenName), QByteArray::fromStdString(screenName));
        return true;
    });
}

void TMainForm::GetCurrentScreenContents(QObject*) {
    if (!FindConsoleExtension())
        return;
    if (RadioGroupScreens->itemIndex() < 0)
        return;
    // The name as the server reported it, not as the list shows it.
    DisplayScreen(
        QString::fromLatin1(RadioGroupScreens->itemData(RadioGroupScreens->itemIndex()).toByteArray()));
}

void TMainForm::DisplayScreen(const QString& screenName) {
    if (!FindConsoleExtension())
        return;
    NCP_Ext::ScreenCells screen;
    if (!NCP_Ext::ReadNamedScreen(CurrentConn, ConsoleExt.id, screenName.toLatin1().toStdString(), screen))
        return;
    // A block of rows whose read failed is left out.
    QStringList lines;
    for (std::size_t row = 0; row < NCP_Ext::ScreenRows; ++row)
        if (screen.RowRead(row))
            lines << CodePage437::DecodeRow(screen.Row(row));
    MemoConsole->setPlainText(lines.join(QLatin1Char('\n')));
}

void TMainForm::EditKeyChange(QObject*) {
    if (EditKey->text().isEmpty())
        return;
    if (!FindConsoleExtension())
        return;
    const QString typed = EditKey->text().left(MaxKeysPerChange);
    EditKey->clear(); // runs this handler once more, which finds the field empty
    bool sent = false;
    bool refused = false;
    for (const QChar character : typed) {
        // A character the server's code page lacks cannot be typed on its console: the field says so.
        if (const auto byte = CodePage437::FromUnicode(character)) {
            NCP_Ext::SendScreenKey(CurrentConn, ConsoleExt.id, MakeKeyWord(*byte, 0));
            sent = true;
        } else {
            refused = true;
        }
    }
    if (refused)
        ShowRefused(EditKey);
    if (sent)
        GetCurrentScreenContents(EditKey);
}

void TMainForm::SendButtonKey(std::uint16_t keyWord) {
    NCP_Ext::SendScreenKey(CurrentConn, ConsoleExt.id, keyWord);
    GetCurrentScreenContents(this);
    ReturnToKeyField();
}

void TMainForm::ReturnToKeyField() {
    // Typing goes on where it was, after a click on a button or a key sent from the field.
    EditKey->setFocus(Qt::OtherFocusReason);
}

void TMainForm::ButtonESCClick(QObject*) {
    SendButtonKey(MakeKeyWord(KeyEscape, 0));
}

void TMainForm::ButtonCRClick(QObject*) {
    SendButtonKey(MakeKeyWord(KeyCarriageReturn, 0));
}

void TMainForm::ButtonCLSClick(QObject*) {
    NCP_Ext::ClearScreen(CurrentConn, ConsoleExt.id);
    GetCurrentScreenContents(this);
    ReturnToKeyField();
}

void TMainForm::SpeedButton2Click(QObject*) {
    SendButtonKey(MakeKeyWord(0, ScanCodeCursorUp));
}

void TMainForm::SpeedButton1Click(QObject*) {
    SendButtonKey(MakeKeyWord(0, ScanCodeCursorDown));
}
