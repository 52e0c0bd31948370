#pragma once

namespace tavrik {

// The periodic event that drives the frame loop: single-threaded, can be
// stopped and started, and its period can change between events. The GUI
// backs it with a window timer; the command line runs the ticks flat out.
class FrameTimer {
public:
    virtual ~FrameTimer() = default;
    // Switches the timer on; the next tick comes `intervalMs` after this.
    virtual void Start(int intervalMs) = 0;
    virtual void Stop() = 0;
    // True for a timer whose thread also serves other events (a window's):
    // its ticks never wait for earlier frames' files but come back shortly.
    virtual bool mustNotBlock() const { return false; }
};

// A timer for running without a window: a run's ticks follow each other at
// once, and the loop ends when a tick leaves the timer off.
class ImmediateTimer : public FrameTimer {
public:
    void Start(int) override { running_ = true; }
    void Stop() override { running_ = false; }
    bool running() const { return running_; }

private:
    bool running_ = false;
};

// Milliseconds between ticks of a writing run and of a preview.
inline constexpr int writingTickInterval = 20;
inline constexpr int previewTickInterval = 200;
// Milliseconds until a tick that found the frame writer busy comes back.
inline constexpr int writerBusyTickInterval = 5;

} // namespace tavrik
