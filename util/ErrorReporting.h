#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace NetUtil {

// The message-box kinds of the windowing layer; the program itself only uses Error.
enum class DialogType { Warning, Error, Information, Confirmation, Custom };

// Shows boxes on behalf of the core routines, which know no widgets. The window binds the real modal boxes;
// tests of the core bind a recorder. With nothing bound, boxes are silently dropped.
class MessageBoxPresenter {
public:
    virtual ~MessageBoxPresenter() = default;
    // The error box: modal, one "OK" button, arrow cursor while it is open.
    virtual void ShowMessageBox(DialogType type, const std::string& message) = 0;
    // A plain modal message with an OK button (client start-up failures).
    virtual void ShowPlainMessage(const std::string& message) = 0;
    // The error box of ReportError: its "Error %04X: %s" message and, below it, the detail in words (UTF-8,
    // empty when there is none). A presenter that has no place for the detail shows the message alone.
    virtual void ShowErrorBox(const std::string& message, const std::string& detail) {
        static_cast<void>(detail);
        ShowMessageBox(DialogType::Error, message);
    }
};

void BindMessageBoxPresenter(MessageBoxPresenter* presenter);

// Says in words (UTF-8) what a failed call means, for the detail line of the error box; "" adds nothing. The
// main window binds one that knows the chosen server and the transfer's files; unbound, boxes have no detail.
using ErrorDetailSource = std::function<std::string(std::uint32_t status, const std::string& operationName)>;
void BindErrorDetailSource(ErrorDetailSource source);

// "Error %04X: %s": the status in upper-case hexadecimal, at least four digits, then the operation name.
std::string FormatError(std::uint32_t status, const std::string& operationName);

// Shows the error box for a failed call, with the bound detail source's words below it; status 0 shows
// nothing.
void ReportError(std::uint32_t status, const std::string& operationName);

void ShowMessageBox(DialogType type, const std::string& message);
void ShowPlainMessage(const std::string& message);

} // namespace NetUtil
