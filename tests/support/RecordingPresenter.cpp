#include "tests/support/RecordingPresenter.h"

RecordingPresenter::Binding::Binding(RecordingPresenter& presenter) {
    NetUtil::BindMessageBoxPresenter(&presenter);
}

RecordingPresenter::Binding::~Binding() {
    NetUtil::BindMessageBoxPresenter(nullptr);
}

void RecordingPresenter::ShowMessageBox(NetUtil::DialogType type, const std::string& message) {
    shown.push_back({Kind::ErrorBox, type, message});
}

void RecordingPresenter::ShowPlainMessage(const std::string& message) {
    shown.push_back({Kind::PlainMessage, NetUtil::DialogType::Information, message});
}

std::vector<std::string> RecordingPresenter::Messages() const {
    std::vector<std::string> messages;
    for (const Shown& box : shown)
        messages.push_back(box.message);
    return messages;
}

int RecordingPresenter::Count(Kind kind) const {
    int count = 0;
    for (const Shown& box : shown) {
        if (box.kind == kind)
            ++count;
    }
    return count;
}
