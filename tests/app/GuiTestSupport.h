#pragma once

#include "gui/ErrorReporter.h"

#include <QImage>
#include <QLabel>
#include <QStringList>
#include <QWidget>

#include <gtest/gtest.h>

namespace tavrik::test {

// Takes the place of the error box while it lives and keeps every text.
class ErrorRecorder {
public:
    ErrorRecorder()
    {
        gui::SetErrorSink([this](const QString& text) { texts.append(text); });
    }
    ~ErrorRecorder() { gui::SetErrorSink({}); }
    ErrorRecorder(const ErrorRecorder&) = delete;
    ErrorRecorder& operator=(const ErrorRecorder&) = delete;

    QStringList texts;
};

// The control named `name` inside `window`; fails the test when missing.
template <class Widget>
Widget* Control(const QWidget& window, const char* name)
{
    auto* widget = window.findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

// The palette strip's pixels as shown.
inline QImage StripImage(const QWidget& editor)
{
    return Control<QLabel>(editor, "Image1")->pixmap().toImage().convertToFormat(QImage::Format_RGB888);
}

} // namespace tavrik::test
