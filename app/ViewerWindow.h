#pragma once

#include "app/QtFrameTimer.h"
#include "base/RunFolder.h"
#include "render/GenerationSettings.h"
#include "render/Viewer.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QSlider;

namespace tavrik::gui {

class TForm2;

// The viewer: a fixed-size window whose client area is the drawing area. The
// engine renders off-screen; the window shows every view the engine presents,
// read back once per view. Its debug controls are hidden from the start and
// work when made visible.
class TForm1 : public QWidget, private ViewerEvents {
    Q_OBJECT

public:
    // Creates the drawing surface at the settings' view size. `settings` and
    // `editor` must outlive the window.
    TForm1(GenerationSettings& settings, TForm2& editor, QWidget* parent = nullptr);
    ~TForm1() override;

    const Viewer& viewer() const { return viewer_; }
    // The view shown, top row first; null before the first view.
    const QImage& shownView() const { return shown_; }
    bool running() const { return timer1_.isActive(); }

public slots:
    // Prepares the scene from the editor's text (Button11).
    void PrepareSequence();
    // Prepares and starts a run (Button7).
    void StartSequence();
    // Makes the drawing area `width` × `height` and the surface anew; a run
    // going on ends at its next tick.
    void ApplyResolution(int width, int height);
    // Ticks or clears the camera box, whose change switches the camera.
    void SelectRightCamera(bool right);
    void HideDebugControls();

signals:
    void progressRangeChanged(int frames);
    void progressChanged(int framesDone);
    // How much of frame `frameIndex` is drawn (0 to 1), during a long frame.
    void frameProgressChanged(int frameIndex, double share);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildDebugControls();
    std::vector<std::string> TakeSceneInput();
    void Navigate(float angleX, float angleZ, double distance);
    // The camera box changed: the other camera of the rig, drawn at once.
    void CheckBox1Click(bool right);
    void Timer1Timer();
    // Lets go of the sequence folder once the run has ended (or never began).
    void ReleaseEndedRun();
    void Button10Click();
    void Button13Click();
    void Timer2Timer();

    // ViewerEvents
    void SceneLineMessage(int lineNumber, const ParseMessage& message) override;
    void SceneCounted(std::size_t objects, std::size_t frames) override;
    void EgoMotionLogged(const std::string& tableRow, const std::string& listRow) override;
    void EgoMotionWithdrawn(int rows) override;
    void EgoLogsCleared() override;
    void ObjectMatrixLogged(const std::string& row) override;
    void ProgressRange(int frames) override;
    void Progress(int framesDone) override;
    void FrameProgress(int frameIndex, double share) override;
    void ViewPresented() override;

    GenerationSettings& settings_;
    TForm2& editor_;
    QtFrameTimer timer1_;
    QTimer timer2_;
    Viewer viewer_;
    // The sequence folder of the writing run in progress, held until it ends.
    std::optional<RunFolder> runFolder_;
    QImage shown_;
    QString screenshotPath_;
    QCheckBox* CheckBox1_ = nullptr;
    QSlider* TrackBar1_ = nullptr;
    std::vector<QWidget*> debugControls_;
};

} // namespace tavrik::gui
