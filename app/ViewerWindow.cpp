#include "app/ViewerWindow.h"

#include "base/UserError.h"
#include "editor/SceneEditor.h"
#include "gui/Controls.h"
#include "gui/ErrorReporter.h"
#include "output/FrameFiles.h"
#include "scene/SceneText.h"
#include "video/StereoAviExport.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QPushButton>
#include <QSlider>

#include <cstring>

namespace tavrik::gui {

namespace {

// The screenshot waits this long after the dialog so that the dialog has
// gone from the screen.
constexpr int screenshotDelayMs = 1000;

} // namespace

TForm1::TForm1(GenerationSettings& settings, TForm2& editor, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint), settings_(settings),
      editor_(editor), viewer_(settings_, timer1_, *this)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Stereo Viewer"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    BuildDebugControls();
    connect(&timer1_.timer(), &QTimer::timeout, this, &TForm1::Timer1Timer);
    timer2_.setSingleShot(true);
    timer2_.setInterval(screenshotDelayMs);
    connect(&timer2_, &QTimer::timeout, this, &TForm1::Timer2Timer);

    FixSize(this, QSize(settings_.viewWidth, settings_.viewHeight));
    Guarded([this] { viewer_.CreateRenderContext(); });
}

TForm1::~TForm1() = default;

void TForm1::BuildDebugControls()
{
    const auto button = [this](const char* name, const QString& caption, auto&& onClick) {
        auto* b = Named(new QPushButton(caption, this), name);
        connect(b, &QPushButton::clicked, this, onClick);
        debugControls_.push_back(b);
        return b;
    };
    // (Δ viewAngleX, Δ viewAngleZ, Δ viewDistance) of each navigation button.
    struct Step {
        const char* name;
        const char* caption;
        float angleX, angleZ;
        double distance;
    };
    const Step steps[] = {{"Button1", "/\\", -2, 0, 0}, {"Button4", "V", 2, 0, 0},   {"Button2", "<", 0, 2, 0},
                          {"Button3", ">", 0, -2, 0},   {"Button5", "-", 0, 0, 0.2}, {"Button6", "+", 0, 0, -0.2}};
    for (const Step& s : steps)
        button(s.name, QString::fromLatin1(s.caption), [this, s] { Navigate(s.angleX, s.angleZ, s.distance); });
    button("Button9", QStringLiteral("9 - odrysuj"), [this] { Navigate(0, 0, 0); });

    TrackBar1_ = Named(new QSlider(Qt::Horizontal, this), "TrackBar1");
    TrackBar1_->setRange(-50, 50);
    TrackBar1_->setValue(0);
    TrackBar1_->setAccessibleName(QStringLiteral("Light z"));
    connect(TrackBar1_, &QSlider::valueChanged, this,
            [this](int z) { Guarded([&] { viewer_.SetLightZ(static_cast<float>(z)); }); });
    debugControls_.push_back(TrackBar1_);

    CheckBox1_ = Named(new QCheckBox(QStringLiteral("wybor lewa pr.k."), this), "CheckBox1");
    connect(CheckBox1_, &QCheckBox::toggled, this, &TForm1::CheckBox1Click);
    debugControls_.push_back(CheckBox1_);

    button("Button7", QStringLiteral("Start"), &TForm1::StartSequence);
    button("Button11", QStringLiteral("11 - przyg. sekw."), &TForm1::PrepareSequence);
    button("Button10", QStringLiteral("10-DoAvi"), &TForm1::Button10Click);
    button("Button13", QStringLiteral("Button13"), &TForm1::Button13Click);

    // Laid out in rows across the top of the image, where they cover it
    // only while someone debugging has made them visible.
    int x = 0, y = 0;
    for (QWidget* control : debugControls_) {
        control->adjustSize();
        if (x + control->width() > settings_.viewWidth) {
            x = 0;
            y += control->height();
        }
        control->move(x, y);
        x += control->width();
        control->hide();
    }
}

std::vector<std::string> TForm1::TakeSceneInput()
{
    settings_.focalLength = editor_.TakeFocalLength();
    settings_.baseline = editor_.TakeBaseline();
    Validate(settings_);
    return editor_.SceneLines();
}

void TForm1::PrepareSequence()
{
    Guarded([this] { viewer_.PrepareSequence(TakeSceneInput()); });
}

void TForm1::StartSequence()
{
    Guarded([this] {
        const std::vector<std::string> lines = TakeSceneInput();
        HideDebugControls();
        runFolder_.reset();
        if (!settings_.previewOnly) {
            const std::string folder = sequenceFolder(settings_.outputFolder, settings_.sequenceNumber);
            runFolder_.emplace(folder, FrameFileNames(folder, 0, settings_.rightCamera).colour);
        }
        viewer_.StartSequence(lines);
    });
    ReleaseEndedRun();
}

void TForm1::ApplyResolution(int width, int height)
{
    settings_.viewWidth = width;
    settings_.viewHeight = height;
    setFixedSize(width, height);
    Guarded([this] {
        viewer_.CreateRenderContext();
        // The window shows the new surface as a resized window is painted.
        viewer_.Paint();
    });
}

void TForm1::SelectRightCamera(bool right)
{
    CheckBox1_->setChecked(right);
}

void TForm1::CheckBox1Click(bool right)
{
    settings_.rightCamera = right;
    Guarded([&] { viewer_.SetRightCamera(right); });
}

void TForm1::HideDebugControls()
{
    for (QWidget* control : debugControls_)
        control->hide();
}

void TForm1::Navigate(float angleX, float angleZ, double distance)
{
    Navigation& navigation = viewer_.navigation();
    navigation.viewAngleX += angleX;
    navigation.viewAngleZ += angleZ;
    navigation.viewDistance += distance;
    Guarded([this] { viewer_.RenderView(false); });
}

void TForm1::Timer1Timer()
{
    // An error inside a tick leaves the timer off, which ends the run there.
    Guarded([this] { viewer_.FrameTick(); });
    ReleaseEndedRun();
}

void TForm1::ReleaseEndedRun()
{
    if (!timer1_.isActive())
        runFolder_.reset();
}

void TForm1::Button10Click()
{
    Guarded([this] {
        ExportStereoAvi(sequenceFolder(settings_.outputFolder, settings_.sequenceNumber), settings_.rightCamera,
                        static_cast<int>(viewer_.scene().egos.size()), "wav.wav");
    });
}

void TForm1::Button13Click()
{
    const QString path = QFileDialog::getSaveFileName(this, QString(), QString(),
                                                      QStringLiteral("PNG image (*.png);;Bitmap (*.bmp)"));
    if (path.isEmpty())
        return;
    screenshotPath_ = path;
    HideDebugControls();
    timer2_.start();
}

void TForm1::Timer2Timer()
{
    Guarded([this] {
        // The format follows the name's extension; a name without one that
        // Qt writes gets a bitmap.
        const QByteArray suffix = QFileInfo(screenshotPath_).suffix().toLower().toLatin1();
        const char* format = QImageWriter::supportedImageFormats().contains(suffix) ? nullptr : "BMP";
        if (!grab().save(screenshotPath_, format))
            throw CannotCreateFileError(screenshotPath_.toLocal8Bit().toStdString());
    });
}

void TForm1::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (shown_.isNull())
        painter.fillRect(rect(), Qt::black);
    else
        painter.drawImage(0, 0, shown_);
}

void TForm1::showEvent(QShowEvent* event)
{
    // A paint of the window in the engine's sense: the base pose again and a
    // new view. The window's own paint events only show the last view, as the
    // engine draws off-screen.
    QWidget::showEvent(event);
    Guarded([this] { viewer_.Paint(); });
}

void TForm1::SceneLineMessage(int lineNumber, const ParseMessage& message)
{
    // A convert error shows the parser's own text; a warning tells its line.
    const std::string text = message.kind == ParseMessage::Kind::ConvertError
                                 ? message.text
                                 : LineMessageText(static_cast<std::size_t>(lineNumber), message);
    ReportError(QString::fromStdString(text));
}

void TForm1::SceneCounted(std::size_t objects, std::size_t frames)
{
    editor_.ShowCounts(objects, frames);
}

void TForm1::EgoMotionLogged(const std::string& tableRow, const std::string& listRow)
{
    editor_.AppendEgoLogs(tableRow, listRow);
}

void TForm1::EgoMotionWithdrawn(int rows)
{
    editor_.WithdrawEgoLogs(rows);
}

void TForm1::EgoLogsCleared()
{
    editor_.ClearEgoLogs();
}

void TForm1::ObjectMatrixLogged(const std::string& row)
{
    editor_.AppendMatrixLog(row);
}

void TForm1::ProgressRange(int frames)
{
    emit progressRangeChanged(frames);
}

void TForm1::Progress(int framesDone)
{
    emit progressChanged(framesDone);
}

void TForm1::FrameProgress(int frameIndex, double share)
{
    emit frameProgressChanged(frameIndex, share);
}

void TForm1::ViewPresented()
{
    const int w = viewer_.width();
    const int h = viewer_.height();
    const std::vector<std::uint8_t> colour = viewer_.ReadColour();
    QImage image(w, h, QImage::Format_RGB888);
    const std::size_t rowBytes = static_cast<std::size_t>(w) * 3;
    // The surface delivers the bottom row first.
    for (int y = 0; y < h; ++y)
        std::memcpy(image.scanLine(y), colour.data() + (h - 1 - y) * rowBytes, rowBytes);
    shown_ = std::move(image);
    update();
}

} // namespace tavrik::gui
