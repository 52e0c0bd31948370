#pragma once

#include <QString>

#include <exception>
#include <functional>

namespace tavrik::gui {

// The one place where the windows tell the user that an action failed. The
// program shows a modal box with the system's message text; tests put a
// recorder in its place so that nothing blocks.
using ErrorSink = std::function<void(const QString& text)>;

// Replaces the sink; an empty sink brings the message box back.
void SetErrorSink(ErrorSink sink);
void ReportError(const QString& text);

// Runs `action` at the edge of a slot. Qt lets no exception pass through its
// event loop, so whatever `action` throws ends the action here and is
// reported; the windows stay usable. Returns whether it ran to its end.
template <class Action>
bool Guarded(Action&& action) noexcept
{
    try {
        action();
        return true;
    } catch (const std::exception& e) {
        ReportError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ReportError(QStringLiteral("Unknown error"));
    }
    return false;
}

} // namespace tavrik::gui
