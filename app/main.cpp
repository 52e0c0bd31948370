#include "app/Application.h"
#include "gui/ErrorReporter.h"

#include <QApplication>

#include <clocale>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    // Qt takes the whole locale from the environment; numbers the core
    // writes must not follow it. The windows ask for the separator instead.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("Tavrik"));
    tavrik::gui::Guarded([] {
        tavrik::gui::Application windows;
        windows.Show();
        QApplication::exec();
    });
    return 0;
}
