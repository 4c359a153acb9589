#pragma once

#include "util/ErrorReporting.h"

#include <string>
#include <vector>

// A message-box presenter that shows nothing and records every box the core routines ask for, in order.
// Bind it for a test's scope with RecordingPresenter::Binding:
//
//     RecordingPresenter boxes;
//     RecordingPresenter::Binding bound(boxes);
//     ... run the routine ...
//     QCOMPARE(boxes.Messages(), (std::vector<std::string>{"Error 0148: NWDSCreateContext"}));
//     QCOMPARE(boxes.shown[0].kind, RecordingPresenter::Kind::ErrorBox);
class RecordingPresenter final : public NetUtil::MessageBoxPresenter {
public:
    enum class Kind { ErrorBox, PlainMessage };

    struct Shown {
        Kind kind = Kind::ErrorBox;
        NetUtil::DialogType type = NetUtil::DialogType::Error; // for plain messages: Information
        std::string message;
        bool operator==(const Shown&) const = default;
    };

    // Binds a presenter while in scope and puts back the binding to nothing afterwards.
    class Binding final {
    public:
        explicit Binding(RecordingPresenter& presenter);
        ~Binding();
        Binding(const Binding&) = delete;
        Binding& operator=(const Binding&) = delete;
    };

    void ShowMessageBox(NetUtil::DialogType type, const std::string& message) override;
    void ShowPlainMessage(const std::string& message) override;

    // The texts of every box shown, in order, whatever their kind.
    std::vector<std::string> Messages() const;
    int Count(Kind kind) const;
    void Clear() { shown.clear(); }

    std::vector<Shown> shown;
};
