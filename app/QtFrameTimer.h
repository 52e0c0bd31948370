#pragma once

#include "render/FrameTimer.h"

#include <QTimer>

namespace tavrik::gui {

// The frame loop's timer as a window timer: every tick switches it off
// first and on again at its end, so the next tick comes one interval after
// the previous one has finished and ticks never overlap.
class QtFrameTimer : public FrameTimer {
public:
    QtFrameTimer() { timer_.setTimerType(Qt::PreciseTimer); }

    void Start(int intervalMs) override { timer_.start(intervalMs); }
    void Stop() override { timer_.stop(); }
    // The window's thread draws and repaints; it never waits for the writer.
    bool mustNotBlock() const override { return true; }

    bool isActive() const { return timer_.isActive(); }
    int interval() const { return timer_.interval(); }
    QTimer& timer() { return timer_; }

private:
    QTimer timer_;
};

} // namespace tavrik::gui
