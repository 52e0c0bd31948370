#include "gui/ErrorReporter.h"

#include <QApplication>
#include <QMessageBox>

namespace tavrik::gui {

namespace {

ErrorSink& Sink()
{
    static ErrorSink sink;
    return sink;
}

} // namespace

void SetErrorSink(ErrorSink sink)
{
    Sink() = std::move(sink);
}

void ReportError(const QString& text)
{
    if (Sink()) {
        Sink()(text);
        return;
    }
    QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationDisplayName(), text);
}

} // namespace tavrik::gui
