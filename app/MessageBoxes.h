#pragma once

#include "util/ErrorReporting.h"

#include <QString>

// The program's modal boxes. Each runs a nested event loop until the user closes it, so timer ticks are
// still delivered while it is open.
namespace MessageBoxes {

inline constexpr const char* ErrorCaption = "Fehler";

// The toolkit's error dialog: stop icon, caption "Fehler", one "OK" button that Enter and Escape both
// press, centred on the screen. Shown as it is, without touching the mouse cursor. The detail in words, when
// there is one, stands below the message.
void ShowErrorDialog(const QString& message, const QString& detail = QString());

// An error box captioned with the program's name, for failures no handler catches.
void ShowApplicationError(const QString& message);

// A plain message with an OK button and no icon.
void ShowPlainDialog(const QString& message);

} // namespace MessageBoxes

// Binds the core routines' boxes to the real dialogs. The error box forces the arrow cursor while it is
// open and restores the cursor that was set before, busy cursor included; its detail in words stands below
// its message. Every box gives the keyboard back to the window that was active before it, once closed.
class QtMessageBoxPresenter final : public NetUtil::MessageBoxPresenter {
public:
    void ShowMessageBox(NetUtil::DialogType type, const std::string& message) override;
    void ShowPlainMessage(const std::string& message) override;
    void ShowErrorBox(const std::string& message, const std::string& detail) override;
};
