#include "app/ControlPanel.h"

#include "app/FolderPath.h"
#include "app/ViewerWindow.h"
#include "app/WindowPlacement.h"
#include "editor/SceneEditor.h"
#include "gui/Controls.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace tavrik::gui {

namespace {

constexpr const char* aboutText = "Tavrik\n"
                                  "Version " TAVRIK_VERSION "\n"
                                  "Synthetic stereo-vision sequences with exact ground truth:\n"
                                  "camera images, disparity and segmentation maps.\n"
                                  "Written by the Tavrik developers.";

// What a run of a scene without EGO lines shows instead of its progress, in
// the words of the command line.
constexpr const char* noFramesText = "nothing rendered: the scene has no EGO line";

// Before the window system has framed a window its frame is not known; this
// stands in for a title bar and borders.
constexpr QSize frameAllowance(16, 40);

// A radio group: a framed box of items, the first one chosen when
// `chosen` is 0, and so on.
QGroupBox* MakeRadioGroup(const char* name, const QString& caption, const QStringList& items, int chosen,
                          QButtonGroup*& group, QWidget* parent)
{
    auto* box = Named(new QGroupBox(caption, parent), name);
    auto* layout = new QVBoxLayout(box);
    group = new QButtonGroup(box);
    for (int i = 0; i < items.size(); ++i) {
        auto* item = new QRadioButton(items[i], box);
        group->addButton(item, i);
        layout->addWidget(item);
    }
    group->button(chosen)->setChecked(true);
    // Else assistive technology names the group after the box it sits in.
    box->setAccessibleName(caption);
    return box;
}

QCheckBox* MakeCheckBox(const char* name, const QString& caption, bool& setting, QWidget* parent)
{
    auto* box = Named(new QCheckBox(caption, parent), name);
    box->setChecked(setting);
    QObject::connect(box, &QCheckBox::toggled, parent, [&setting](bool on) { setting = on; });
    return box;
}

QSpinBox* MakeSettingUpDown(const char* editName, const char* upDownName, int maximum, int& setting,
                            QWidget* parent)
{
    QSpinBox* upDown = MakeUpDown(editName, upDownName, 0, maximum, setting, parent);
    QObject::connect(upDown, &QSpinBox::valueChanged, parent, [&setting](int value) { setting = value; });
    return upDown;
}

} // namespace

TForm3::TForm3(GenerationSettings& settings, QWidget* parent) : QWidget(parent), settings_(settings)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Tavrik"));

    QStringList sizes;
    for (const ViewSize& size : viewSizes)
        sizes.append(QStringLiteral("%1 x %2").arg(size.width).arg(size.height));
    // The choice starts at the drawing area's size at start-up, 512 x 384.
    const auto chosen = std::find(viewSizes.begin(), viewSizes.end(), ViewSize{settings_.viewWidth, settings_.viewHeight});
    auto* radioGroup1 = MakeRadioGroup("RadioGroup1", QStringLiteral("Choose resolution"), sizes,
                                       static_cast<int>(chosen - viewSizes.begin()), resolution_, this);
    auto* button2 = Named(new QPushButton(QStringLiteral("Apply"), this), "Button2");
    button2->setToolTip(QStringLiteral("Click to change the resolution"));

    auto* button1 = Named(new QPushButton(QStringLiteral("Scene editor"), this), "Button1");
    // Not Ctrl+E: the line edits take that as the end of the line.
    button1->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+E")));
    button1->setToolTip(QStringLiteral("Show the scene editor again (Ctrl+Shift+E)"));

    auto* subpixel = MakeCheckBox("CheckBox1", QStringLiteral("Subpixel Disparity"), settings_.subpixelDisparity, this);

    auto* memo1 = Named(new QPlainTextEdit(QString::fromLatin1(aboutText), this), "Memo1");
    memo1->setToolTip(QStringLiteral("Information about me"));
    memo1->setAccessibleName(QStringLiteral("About"));
    ProgressBar1_ = Named(new QProgressBar(this), "ProgressBar1");
    ProgressBar1_->setRange(0, 100);
    ProgressBar1_->setValue(0);
    ProgressBar1_->setAccessibleName(QStringLiteral("Progress"));

    auto* left = new QVBoxLayout;
    left->addWidget(radioGroup1);
    left->addWidget(button2);
    left->addWidget(subpixel);
    left->addWidget(button1);
    left->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addLayout(left);
    top->addWidget(BuildRendering(), 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(memo1);
    layout->addWidget(ProgressBar1_);

    connect(button2, &QPushButton::clicked, this, &TForm3::Button2Click);
    connect(button1, &QPushButton::clicked, this, &TForm3::Button1Click);
    FixSize(this);
}

QWidget* TForm3::BuildRendering()
{
    auto* group = new QGroupBox(QStringLiteral("Rendering"), this);
    group->setAccessibleName(group->title());
    Edit2_ = Named(new QLineEdit(QString::fromLocal8Bit(settings_.outputFolder), group), "Edit2");
    Edit2_->setToolTip(QStringLiteral("Select folder for images"));
    connect(Edit2_, &QLineEdit::textChanged, this,
            [this](const QString& text) { settings_.outputFolder = text.toLocal8Bit().toStdString(); });
    auto* button4 = Named(new QPushButton(QStringLiteral("Select"), group), "Button4");
    connect(button4, &QPushButton::clicked, this, &TForm3::Button4Click);

    QSpinBox* upDown1 = MakeSettingUpDown("Edit1", "UpDown1", maxSequenceNumber, settings_.sequenceNumber, group);
    upDown1->setToolTip(QStringLiteral("Sequence number. Directory of this number will be created."));

    auto* background = new QGroupBox(QStringLiteral("Background color"), group);
    background->setAccessibleName(background->title());
    auto* backgroundLayout = new QHBoxLayout(background);
    const struct {
        const char* caption;
        const char* edit;
        const char* upDown;
        int& setting;
    } colours[] = {{"R:", "Edit3", "UpDown2", settings_.backgroundRed},
                   {"G:", "Edit4", "UpDown3", settings_.backgroundGreen},
                   {"B:", "Edit5", "UpDown4", settings_.backgroundBlue}};
    for (const auto& c : colours) {
        QSpinBox* upDown = MakeSettingUpDown(c.edit, c.upDown, 255, c.setting, background);
        backgroundLayout->addWidget(MakeBuddyLabel(QString::fromLatin1(c.caption), upDown, background));
        backgroundLayout->addWidget(upDown);
    }

    QButtonGroup* camera = nullptr;
    auto* radioGroup2 = MakeRadioGroup("RadioGroup2", QStringLiteral("Select camera:"),
                                       {QStringLiteral("Left"), QStringLiteral("Right")},
                                       settings_.rightCamera ? 1 : 0, camera, group);
    radioGroup2->setToolTip(QStringLiteral("Select stereovision camera"));
    connect(camera, &QButtonGroup::idToggled, this, [this](int item, bool on) {
        if (on)
            RadioGroup2Click(item);
    });

    auto* preview = MakeCheckBox("CheckBox2", QStringLiteral("Preview only"), settings_.previewOnly, group);
    preview->setToolTip(QStringLiteral("Only preview, images will not be saved"));
    auto* palette =
        MakeCheckBox("CheckBox3", QStringLiteral("Color pallete in segmentation"), settings_.paletteSegmentation, group);
    connect(palette, &QCheckBox::clicked, this, &TForm3::CheckBox3Click);
    auto* antiAliasing = MakeCheckBox("CheckBox4", QStringLiteral("AntiAliasing Filter"), settings_.antiAliasing, group);
    auto* button3 = Named(new QPushButton(QStringLiteral("Start"), group), "Button3");
    connect(button3, &QPushButton::clicked, this, &TForm3::Button3Click);

    auto* layout = new QGridLayout(group);
    layout->addWidget(MakeBuddyLabel(QStringLiteral("Folder"), Edit2_, group), 0, 0);
    layout->addWidget(Edit2_, 0, 1);
    layout->addWidget(button4, 0, 2);
    layout->addWidget(MakeBuddyLabel(QStringLiteral("Sequence no:"), upDown1, group), 1, 0);
    layout->addWidget(upDown1, 1, 1);
    layout->addWidget(background, 2, 0, 1, 3);
    layout->addWidget(radioGroup2, 3, 0, 3, 1);
    layout->addWidget(preview, 3, 1, 1, 2);
    layout->addWidget(palette, 4, 1, 1, 2);
    layout->addWidget(antiAliasing, 5, 1, 1, 2);
    layout->addWidget(button3, 6, 0, 1, 3);
    layout->setColumnMinimumWidth(1, 220);
    return group;
}

void TForm3::Connect(TForm2* editor, TForm1* viewer)
{
    editor_ = editor;
    viewer_ = viewer;
    connect(viewer_, &TForm1::progressRangeChanged, this, &TForm3::ShowProgressRange);
    connect(viewer_, &TForm1::progressChanged, this, &TForm3::ShowProgress);
    connect(viewer_, &TForm1::frameProgressChanged, this, &TForm3::ShowFrameProgress);
}

void TForm3::ArrangeWindows()
{
    const QScreen* screen = this->screen();
    if (screen == nullptr)
        return;
    const auto frameSize = [](const QWidget* window) {
        const QSize framed = window->frameGeometry().size();
        const QSize size = framed != window->size() ? framed : window->size() + frameAllowance;
        return WindowSize{size.width(), size.height()};
    };
    const QRect area = screen->availableGeometry();
    const WindowPlaces places = PlaceWindows({area.x(), area.y(), area.width(), area.height()}, frameSize(this),
                                             frameSize(editor_), frameSize(viewer_));
    move(places.panel.x, places.panel.y);
    editor_->move(places.editor.x, places.editor.y);
    viewer_->move(places.viewer.x, places.viewer.y);
}

void TForm3::ShowProgressRange(int frames)
{
    if (frames == 0) {
        // A bar without a range would show an endless busy bar.
        ProgressBar1_->setRange(0, 1);
        ProgressBar1_->setValue(0);
        ProgressBar1_->setFormat(QString::fromLatin1(noFramesText));
        return;
    }
    ProgressBar1_->setRange(0, frames);
    ProgressBar1_->setFormat(QStringLiteral("%p%"));
}

void TForm3::ShowProgress(int framesDone)
{
    ProgressBar1_->setFormat(QStringLiteral("%p%"));
    ProgressBar1_->setValue(framesDone);
}

void TForm3::ShowFrameProgress(int frameIndex, double share)
{
    // A long frame holds the event loop, so the bar is painted at once.
    ProgressBar1_->setFormat(
        QStringLiteral("%p% (frame %1: %2%)").arg(frameIndex).arg(static_cast<int>(share * 100.0)));
    ProgressBar1_->repaint();
}

void TForm3::Button2Click()
{
    const ViewSize size = ViewSizeOfChoice(resolution_->checkedId());
    viewer_->ApplyResolution(size.width, size.height);
    // The viewer has grown or shrunk around its new drawing area.
    ArrangeWindows();
}

void TForm3::Button1Click()
{
    editor_->show();
    editor_->raise();
    editor_->activateWindow();
}

void TForm3::Button4Click()
{
    const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Select Folder"), Edit2_->text());
    if (!folder.isEmpty())
        Edit2_->setText(QString::fromLocal8Bit(StoredFolderPath(folder.toLocal8Bit().toStdString())));
}

void TForm3::Button3Click()
{
    ProgressBar1_->setValue(0);
    viewer_->show();
    viewer_->raise();
    viewer_->StartSequence();
}

void TForm3::RadioGroup2Click(int item)
{
    viewer_->SelectRightCamera(item == 1);
}

void TForm3::CheckBox3Click()
{
    editor_->Image1Rysuj();
}

void TForm3::closeEvent(QCloseEvent* event)
{
    viewer_->close();
    editor_->close();
    event->accept();
}

} // namespace tavrik::gui
