#pragma once

// Whether a receive looks for its reply for a moment before it sleeps on the socket. A server on this machine
// with a core to spare answers within the look, sooner than a sleeping thread is woken; a busy machine or a
// real network never does, and there the look only burns the core the server needs. So the transport looks
// while looks find replies; after one that found nothing, only every ProbeInterval-th receive looks, to
// notice when looking would pay again.
namespace Ncp {

class SpinPolicy final {
public:
    static constexpr int ProbeInterval = 16;

    // always: look on every receive, whatever the looks found.
    void LookAlways(bool always) { always_ = always; }

    // Asked once a receive finds nothing waiting: whether it looks before it sleeps.
    bool ShouldLook() {
        if (always_ || lastLookFound_ || ++sinceLook_ >= ProbeInterval) {
            sinceLook_ = 0;
            return true;
        }
        return false;
    }
    // What the look that ShouldLook allowed found.
    void LookFound(bool found) { lastLookFound_ = found; }

private:
    bool always_ = false;
    bool lastLookFound_ = true;
    int sinceLook_ = 0;
};

} // namespace Ncp
