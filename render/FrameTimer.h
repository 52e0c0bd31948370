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
};

// Milliseconds between ticks of a writing run and of a preview.
inline constexpr int writingTickInterval = 20;
inline constexpr int previewTickInterval = 200;

} // namespace tavrik
