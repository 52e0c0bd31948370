// How responsive the windows stay during a writing run at 1024 × 768: the
// longest gap between two iterations of the event loop, that is the longest
// time a click or a repaint would have to wait, with the frame loop's ticks
// as the main cause. Also the median gap and the run's frame rate.
//
//   tavrik-gui-bench [--frames N] [--out DIR]
//
// Runs without a display (Qt's offscreen platform) unless QT_QPA_PLATFORM
// says otherwise.

#include "app/Application.h"
#include "app/ControlPanel.h"
#include "app/ViewerWindow.h"
#include "editor/SceneEditor.h"
#include "gui/ErrorReporter.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

template <class Widget>
Widget* Control(const QWidget& window, const char* name)
{
    auto* widget = window.findChild<Widget*>(QString::fromLatin1(name));
    if (widget == nullptr) {
        std::fprintf(stderr, "tavrik-gui-bench: no control %s\n", name);
        std::exit(1);
    }
    return widget;
}

} // namespace

int main(int argc, char* argv[])
{
    int frames = 20;
    std::string out = (std::filesystem::temp_directory_path() / "tavrik-gui-bench").string();
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--frames") == 0)
            frames = std::clamp(std::atoi(argv[i + 1]), 2, 100);
        else if (std::strcmp(argv[i], "--out") == 0)
            out = argv[i + 1];
    }
    std::filesystem::create_directories(out);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    bool failed = false;
    tavrik::gui::SetErrorSink([&failed](const QString& text) {
        std::fprintf(stderr, "tavrik-gui-bench: %s\n", qPrintable(text));
        failed = true;
    });

    tavrik::gui::Application windows;
    windows.Show();
    const QWidget& panel = windows.controlPanel();
    const QWidget& editor = windows.sceneEditor();
    Control<QLineEdit>(panel, "Edit2")->setText(QString::fromStdString(out));
    for (auto* item : panel.findChildren<QRadioButton*>())
        if (item->text() == QStringLiteral("1024 x 768"))
            item->setChecked(true);
    Control<QPushButton>(panel, "Button2")->click();
    // The default scene's 5 frames, then `frames` more from the generator.
    Control<QCheckBox>(editor, "CheckBox5")->setChecked(true);
    Control<QLineEdit>(editor, "Edit2")->setText(QStringLiteral("0"));
    Control<QLineEdit>(editor, "Edit3")->setText(QStringLiteral("0"));
    Control<QSpinBox>(editor, "UpDown1")->setValue(frames);
    Control<QPushButton>(editor, "Button4")->click();

    // A zero-interval timer fires once per iteration of the event loop.
    std::vector<double> gaps;
    QElapsedTimer sinceLast;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        gaps.push_back(static_cast<double>(sinceLast.nsecsElapsed()) / 1e6);
        sinceLast.restart();
    });
    QElapsedTimer run;
    QTimer::singleShot(0, [&] {
        run.start();
        Control<QPushButton>(panel, "Button3")->click();
        gaps.clear();
        sinceLast.start();
        probe.start(0);
    });
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!windows.viewer().running() || failed)
            QApplication::quit();
    });
    watch.start(50);
    QApplication::exec();
    const double seconds = static_cast<double>(run.elapsed()) / 1000.0;
    if (failed || gaps.empty())
        return 1;

    std::sort(gaps.begin(), gaps.end());
    const int total = 5 + frames;
    std::printf("1024 x 768, %d frames written in %.1f s (%.1f frames/s)\n", total, seconds, total / seconds);
    std::printf("event loop: longest gap %.1f ms, median %.2f ms, %zu iterations\n", gaps.back(),
                gaps[gaps.size() / 2], gaps.size());
    std::printf("longest gaps:");
    for (std::size_t i = 0; i < std::min<std::size_t>(8, gaps.size()); ++i)
        std::printf(" %.0f", gaps[gaps.size() - 1 - i]);
    std::printf(" ms\n");
    return 0;
}
