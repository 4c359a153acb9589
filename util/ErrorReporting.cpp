#include "util/ErrorReporting.h"

#include <cstdio>

namespace NetUtil {

namespace {
MessageBoxPresenter* boundPresenter = nullptr;
}

void BindMessageBoxPresenter(MessageBoxPresenter* presenter) { boundPresenter = presenter; }

std::string FormatError(std::uint32_t status, const std::string& operationName) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%04X", static_cast<unsigned>(status));
    return "Error " + std::string(digits) + ": " + operationName;
}

void ReportError(std::uint32_t status, const std::string& operationName) {
    if (status == 0)
        return;
    ShowMessageBox(DialogType::Error, FormatError(status, operationName));
}

void ShowMessageBox(DialogType type, const std::string& message) {
    if (boundPresenter != nullptr)
        boundPresenter->ShowMessageBox(type, message);
}

void ShowPlainMessage(const std::string& message) {
    if (boundPresenter != nullptr)
        boundPresenter->ShowPlainMessage(message);
}

} // namespace NetUtil
