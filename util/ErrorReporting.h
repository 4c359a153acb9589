#pragma once

#include <cstdint>
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
};

void BindMessageBoxPresenter(MessageBoxPresenter* presenter);

// "Error %04X: %s": the status in upper-case hexadecimal, at least four digits, then the operation name.
std::string FormatError(std::uint32_t status, const std::string& operationName);

// Shows the error box for a failed call; status 0 shows nothing.
void ReportError(std::uint32_t status, const std::string& operationName);

void ShowMessageBox(DialogType type, const std::string& message);
void ShowPlainMessage(const std::string& message);

} // namespace NetUtil
