#include "util/ErrorReporting.h"

#include <cstdio>
#include <utility>

namespace NetUtil {

namespace {
MessageBoxPresenter* boundPresenter = nullptr;
ErrorDetailSource boundDetailSource;
} // namespace

void BindMessageBoxPresenter(MessageBoxPresenter* presenter) {
    boundPresenter = presenter;
}

void BindErrorDetailSource(ErrorDetailSource source) {
    boundDetailSource = std::move(source);
}

std::string FormatError(std::uint32_t status, const std::string& operationName) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%04X", static_cast<unsigned>(status));
    return "Error " + std::string(digits) + ": " + operationName;
}

void ReportError(std::uint32_t status, const std::string& operationName) {
    if (status == 0 || boundPresenter == nullptr)
        return;
    const std::string detail = boundDetailSource ? boundDetailSource(status, operationName) : std::string();
    boundPresenter->ShowErrorBox(FormatError(status, operationName), detail);
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
