#include "app/Application.h"
#include "app/ControlPanel.h"
#include "app/ViewerWindow.h"
#include "base/FileIo.h"
#include "base/FolderLock.h"
#include "base/UserError.h"
#include "editor/SceneEditor.h"
#include "output/Bmp.h"
#include "tests/ScratchFolder.h"
#include "tests/app/GuiTestSupport.h"
#include "tests/cli/CliRunner.h"

#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <locale.h>

#include <filesystem>
#include <fstream>

namespace tavrik {
namespace {

namespace fs = std::filesystem;
using test::Control;

// Long enough for a run of the default scene at 1024 × 768 on a slow machine.
constexpr int runTimeoutMs = 60000;

class Windows : public ::testing::Test {
protected:
    Windows()
    {
        app.Show();
        SetText(panel(), "Edit2", QString::fromStdString(out.string()));
    }

    gui::TForm3& panel() { return app.controlPanel(); }
    gui::TForm2& editor() { return app.sceneEditor(); }
    gui::TForm1& viewer() { return app.viewer(); }

    static void Click(const QWidget& window, const char* name)
    {
        QTest::mouseClick(Control<QPushButton>(window, name), Qt::LeftButton);
    }
    static void SetText(const QWidget& window, const char* name, const QString& text)
    {
        Control<QLineEdit>(window, name)->setText(text);
    }
    QString Label(const char* name) { return Control<QLabel>(editor(), name)->text(); }
    // Clicks the item `caption` of the radio group `group`.
    static void Choose(const QWidget& window, const char* group, const QString& caption)
    {
        for (auto* item : Control<QGroupBox>(window, group)->findChildren<QRadioButton*>())
            if (item->text() == caption) // on its round indicator
                QTest::mouseClick(item, Qt::LeftButton, {}, QPoint(item->height() / 2, item->height() / 2));
    }
    int progress() { return Control<QProgressBar>(panel(), "ProgressBar1")->value(); }
    bool WaitForRunEnd() { return QTest::qWaitFor([this] { return !viewer().running(); }, runTimeoutMs); }
    QPlainTextEdit* Log(const char* name) { return Control<QPlainTextEdit>(editor(), name); }
    // The scene text with its EGO lines replaced by `egoLines`.
    void SetEgoLines(const QStringList& egoLines)
    {
        QStringList lines = Log("Memo1")->toPlainText().split('\n');
        lines.removeIf([](const QString& line) { return line.startsWith(QStringLiteral("EGO")); });
        Log("Memo1")->setPlainText((lines + egoLines).join('\n'));
    }
    // The files the command line writes for the default scene, each
    // compared with the window's file of the same name.
    void ExpectTheCommandLinesFiles()
    {
        const fs::path cliOut = test::ScratchFolder("cli");
        ASSERT_EQ(test::RunCli("render --default --quiet --out '" + cliOut.string() + "'", cliOut).exitCode, 0);
        int files = 0;
        for (const auto& entry : fs::directory_iterator(cliOut / "0")) {
            const fs::path ours = out / "0" / entry.path().filename();
            ASSERT_TRUE(fs::exists(ours)) << ours;
            EXPECT_TRUE(test::ReadText(ours) == test::ReadText(entry.path())) << ours << " differs";
            ++files;
        }
        EXPECT_EQ(files, 25);
    }

    test::ErrorRecorder errors;
    fs::path out = test::ScratchFolder("gui");
    gui::Application app;
};

TEST_F(Windows, StartUpShowsThreeWindowsAndRendersNothing)
{
    EXPECT_EQ(panel().windowTitle(), QStringLiteral("Tavrik"));
    EXPECT_EQ(editor().windowTitle(), QStringLiteral("Tavrik Scene editor"));
    EXPECT_EQ(viewer().windowTitle(), QStringLiteral("Stereo Viewer"));
    EXPECT_TRUE(panel().isVisible() && editor().isVisible() && viewer().isVisible());
    EXPECT_EQ(viewer().size(), QSize(512, 384));
    EXPECT_EQ(editor().size(), QSize(892, 936));
    EXPECT_TRUE(viewer().shownView().isNull());
    EXPECT_EQ(Label("Label11"), QStringLiteral("--"));
    EXPECT_EQ(Label("Label5"), QString());
    EXPECT_EQ(Label("Label8"), QString());
    EXPECT_EQ(test::StripImage(editor()).pixelColor(830, 38), QColor(255, 255, 255));
    EXPECT_TRUE(errors.texts.isEmpty()) << errors.texts.join('\n').toStdString();
}

TEST_F(Windows, PrepareShowsTheCountsAndTheView)
{
    Click(editor(), "Button5");
    EXPECT_EQ(Label("Label5"), QStringLiteral("5"));
    EXPECT_EQ(Label("Label8"), QStringLiteral("9"));
    EXPECT_EQ(viewer().shownView().size(), QSize(512, 384));
}

TEST_F(Windows, StartWritesWhatTheCommandLineWrites)
{
    Click(panel(), "Button3");
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(progress(), 5);
    EXPECT_EQ(Control<QProgressBar>(panel(), "ProgressBar1")->maximum(), 5);
    ExpectTheCommandLinesFiles();
    EXPECT_TRUE(errors.texts.isEmpty()) << errors.texts.join('\n').toStdString();
}

TEST_F(Windows, ARunHoldsItsFolderAndClearsWhatKilledRunsLeft)
{
    fs::create_directories(out / "0");
    const fs::path leftOver = out / "0" / (std::string(unfinishedFilePrefix) + "1.1.left_0000.bmp");
    std::ofstream(leftOver) << "half a bitmap";
    Click(panel(), "Button3");
    ASSERT_TRUE(viewer().running());
    EXPECT_FALSE(fs::exists(leftOver));
    EXPECT_THROW(FolderLock{(out / "0").string()}, UserError);
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_NO_THROW(FolderLock{(out / "0").string()});
    EXPECT_TRUE(errors.texts.isEmpty()) << errors.texts.join('\n').toStdString();
}

TEST_F(Windows, StartIsSeenFromTheBasePoseWhateverTheNavigationDid)
{
    Click(editor(), "Button5");
    // Hidden: no mouse reaches them.
    for (const char* button : {"Button1", "Button2", "Button5"})
        Control<QPushButton>(viewer(), button)->click();
    Click(panel(), "Button3");
    ASSERT_TRUE(WaitForRunEnd());
    ExpectTheCommandLinesFiles();
}

TEST_F(Windows, ApplyKeepsThePreparedSceneTextured)
{
    Click(editor(), "Button5");
    const QImage prepared = viewer().shownView();
    Choose(panel(), "RadioGroup1", QStringLiteral("1024 x 768"));
    Click(panel(), "Button2");
    Choose(panel(), "RadioGroup1", QStringLiteral("512 x 384"));
    Click(panel(), "Button2");
    EXPECT_EQ(viewer().shownView(), prepared);
}

// A text typed into an up-down shows as typed; the value stays the last
// valid one, which the text shows again when editing ends.
struct TypedText {
    const char* edit;
    const char* typed;
    int lastValid;
};

class UpDownTyping : public Windows, public ::testing::WithParamInterface<TypedText> {};

TEST_P(UpDownTyping, KeepsTheLastValidValue)
{
    auto* edit = Control<QLineEdit>(panel(), GetParam().edit);
    edit->selectAll();
    QTest::keyClicks(edit, QString::fromLatin1(GetParam().typed));
    EXPECT_EQ(edit->text(), QString::fromLatin1(GetParam().typed));
    EXPECT_EQ(static_cast<QSpinBox*>(edit->parentWidget())->value(), GetParam().lastValid);
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(edit->text(), QString::number(GetParam().lastValid));
}

INSTANTIATE_TEST_SUITE_P(Fields, UpDownTyping,
                         ::testing::Values(TypedText{"Edit1", "150", 15}, TypedText{"Edit4", "256", 25},
                                           TypedText{"Edit5", "7x", 7}, TypedText{"Edit3", "-", 0}),
                         [](const auto& info) { return std::string(info.param.edit); });

TEST_F(Windows, AWriteErrorLeavesTheEgoLogsAtTheFrameTheRunEndsWith)
{
    QStringList egoLines;
    for (int frame = 0; frame < 14; ++frame)
        egoLines.append(QStringLiteral("EGO; 0.0; 0.0; 0.01; 0.0; 0.0; %1").arg(frame));
    SetEgoLines(egoLines);
    fs::create_directories(out / "0" / "left_0010.bmp"); // a folder where frame 10's image goes
    Click(panel(), "Button3");
    ASSERT_TRUE(WaitForRunEnd());
    ASSERT_EQ(errors.texts.size(), 1);
    EXPECT_TRUE(errors.texts[0].startsWith("Cannot create file")) << errors.texts[0].toStdString();
    EXPECT_EQ(progress(), 10);
    // Frames 0 to 10 were drawn; the run ended at frame 10.
    EXPECT_EQ(Log("Memo2")->blockCount(), 11);
    const QStringList list = Log("Memo3")->toPlainText().split('\n');
    ASSERT_EQ(list.size(), 11);
    const QChar separator = QChar::fromLatin1(app.settings().decimalSeparator);
    EXPECT_EQ(list.back(), QStringLiteral("0.000;0.000;0.010;0.000;0.000;10.000;").replace('.', separator));
}

TEST_F(Windows, ScreenshotUnderANameWithoutExtensionIsABitmap)
{
    const fs::path shot = out / "shot2";
    QTimer::singleShot(0, [&shot] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->selectFile(QString::fromStdString(shot.string()));
        static_cast<QDialog*>(dialog)->accept(); // the file dialog's own is protected
    });
    Control<QPushButton>(viewer(), "Button13")->click(); // hidden
    ASSERT_TRUE(QTest::qWaitFor([&shot] { return fs::exists(shot); }, runTimeoutMs));
    const RgbImage image = ReadBmpFile(shot.string());
    EXPECT_EQ(image.width(), 512);
    EXPECT_EQ(image.height(), 384);
    EXPECT_TRUE(errors.texts.isEmpty()) << errors.texts.join('\n').toStdString();
}

TEST_F(Windows, MatrixLogHasARowForEveryObjectOfEveryDrawnView)
{
    Control<QCheckBox>(editor(), "CheckBox4")->setChecked(true);
    const std::size_t drawnBefore = viewer().viewer().objectsDrawn();
    Click(panel(), "Button3");
    ASSERT_TRUE(WaitForRunEnd());
    // The first row is the log's own name.
    const auto rows = static_cast<std::size_t>(Log("Memo4")->blockCount() - 1);
    EXPECT_EQ(rows, viewer().viewer().objectsDrawn() - drawnBefore);
    // The base view of the preparation, and per frame the view and at least
    // one pass of its segmentation, of 9 objects each.
    EXPECT_GE(rows, 9u + 5u * 2u * 9u);
}

TEST_F(Windows, ALongFrameShowsHowMuchOfItIsDrawn)
{
    auto* bar = Control<QProgressBar>(panel(), "ProgressBar1");
    // What the viewer passes on from the engine during a run.
    emit viewer().progressRangeChanged(4);
    emit viewer().progressChanged(2);
    emit viewer().frameProgressChanged(2, 0.375);
    EXPECT_EQ(bar->text(), QStringLiteral("50% (frame 2: 37%)"));
    emit viewer().progressChanged(3);
    EXPECT_EQ(bar->text(), QStringLiteral("75%"));
}

TEST_F(Windows, PreviewWritesNothing)
{
    Control<QCheckBox>(panel(), "CheckBox2")->setChecked(true);
    Click(panel(), "Button3");
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(progress(), 5);
    EXPECT_FALSE(fs::exists(out / "0") && !fs::is_empty(out / "0"));
}

TEST_F(Windows, StartClearsTheEgoLogsAndTheRunLogsEveryFrame)
{
    Control<QCheckBox>(panel(), "CheckBox2")->setChecked(true);
    Click(panel(), "Button3");
    ASSERT_TRUE(WaitForRunEnd());
    const QStringList table = Control<QPlainTextEdit>(editor(), "Memo2")->toPlainText().split('\n');
    const QStringList list = Control<QPlainTextEdit>(editor(), "Memo3")->toPlainText().split('\n');
    ASSERT_EQ(list.size(), 5);
    ASSERT_EQ(table.size(), 5);
    // Numbers with the separator of the locale the test runs in.
    const QChar separator = QChar::fromLatin1(app.settings().decimalSeparator);
    EXPECT_EQ(table[0],
              QStringLiteral("0.000&0.000&0.100&0.100&0.000&0.000&T & T & T & R & R & R \\\\").replace('.', separator));
    EXPECT_EQ(list[4], QStringLiteral("0.000;0.000;0.300;0.100;3.000;0.000;").replace('.', separator));
}

TEST_F(Windows, ApplyDuringARunEndsItAndTheNextImagesHaveTheNewSize)
{
    Click(panel(), "Button3");
    ASSERT_TRUE(QTest::qWaitFor([this] { return progress() >= 1; }, runTimeoutMs));
    Choose(panel(), "RadioGroup1", QStringLiteral("1024 x 768"));
    Click(panel(), "Button2");
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_LT(progress(), 5);
    EXPECT_EQ(viewer().size(), QSize(1024, 768));
    EXPECT_EQ(viewer().shownView().size(), QSize(1024, 768));

    Click(panel(), "Button3");
    ASSERT_TRUE(WaitForRunEnd());
    const RgbImage image = ReadBmpFile((out / "0" / "left_0004.bmp").string());
    EXPECT_EQ(image.width(), 1024);
    EXPECT_EQ(image.height(), 768);
}

TEST_F(Windows, HiddenExportMakesTheVideoOfTheRunsImages)
{
    Click(panel(), "Button3");
    ASSERT_TRUE(WaitForRunEnd());
    Control<QPushButton>(viewer(), "Button10")->click(); // hidden: no mouse reaches it
    const fs::path video = out / "0" / "L.avi";
    ASSERT_TRUE(fs::exists(video));
    // Five uncompressed 512 × 384 frames of 24 bits.
    EXPECT_GT(fs::file_size(video), 5u * 512 * 384 * 3);
}

TEST_F(Windows, CameraRightThenLeftReturnsToTheLeftView)
{
    Click(editor(), "Button5");
    const QImage left = viewer().shownView();
    Choose(panel(), "RadioGroup2", QStringLiteral("Right"));
    EXPECT_TRUE(Control<QCheckBox>(viewer(), "CheckBox1")->isChecked());
    EXPECT_NE(viewer().shownView(), left);
    Choose(panel(), "RadioGroup2", QStringLiteral("Left"));
    EXPECT_FALSE(Control<QCheckBox>(viewer(), "CheckBox1")->isChecked());
    EXPECT_EQ(viewer().shownView(), left);
}

TEST_F(Windows, PaletteSwitchRedrawsTheStrip)
{
    QTest::mouseClick(Control<QLabel>(editor(), "Image1"), Qt::LeftButton, {}, QPoint(13, 10));
    auto* palette = Control<QCheckBox>(panel(), "CheckBox3");
    QTest::mouseClick(palette, Qt::LeftButton);
    EXPECT_EQ(test::StripImage(editor()).pixelColor(1, 1), QColor(0, 0, 131));
    EXPECT_EQ(test::StripImage(editor()).pixelColor(830, 38), QColor(127, 0, 0));
    EXPECT_EQ(Label("Label11"), QStringLiteral("--"));
    QTest::mouseClick(palette, Qt::LeftButton);
    EXPECT_EQ(test::StripImage(editor()).pixelColor(830, 38), QColor(255, 255, 255));
}

TEST_F(Windows, BadBaselineIsReportedAndPreparesNothing)
{
    SetText(editor(), "Edit5", QStringLiteral("abc"));
    Click(panel(), "Button3");
    EXPECT_EQ(errors.texts, QStringList{"'abc' is not a valid floating point value"});
    EXPECT_FALSE(viewer().running());
    EXPECT_EQ(Label("Label5"), QString());
    EXPECT_TRUE(viewer().shownView().isNull());
}

TEST_F(Windows, FileThatCannotBeCreatedEndsTheRunAndIsReported)
{
    std::ofstream(out / "file") << "not a folder";
    SetText(panel(), "Edit2", QString::fromStdString((out / "file").string()));
    Click(panel(), "Button3");
    ASSERT_TRUE(WaitForRunEnd());
    ASSERT_EQ(errors.texts.size(), 1);
    EXPECT_TRUE(errors.texts[0].startsWith("Cannot create file")) << errors.texts[0].toStdString();
    EXPECT_EQ(progress(), 0);
    // The windows stay usable: a preparation still works.
    Click(editor(), "Button5");
    EXPECT_EQ(Label("Label5"), QStringLiteral("5"));
}

TEST(WindowsLocale, CommaLocaleShowsCommasAndPreparesWithThem)
{
    const char* commaLocale = "de_DE.UTF-8";
    locale_t probe = newlocale(LC_NUMERIC_MASK, commaLocale, static_cast<locale_t>(nullptr));
    if (probe == static_cast<locale_t>(nullptr))
        GTEST_SKIP() << commaLocale << " is not installed on this machine";
    freelocale(probe);
    const QByteArray before = qgetenv("LC_ALL");
    qputenv("LC_ALL", commaLocale);
    test::ErrorRecorder errors;
    gui::Application app;
    before.isNull() ? qunsetenv("LC_ALL") : qputenv("LC_ALL", before);

    const QWidget& editor = app.sceneEditor();
    EXPECT_EQ(Control<QLineEdit>(editor, "Edit5")->text(), QStringLiteral("0,12"));
    Control<QLineEdit>(editor, "Edit6")->setText(QStringLiteral("400.5"));
    QTest::mouseClick(Control<QPushButton>(editor, "Button5"), Qt::LeftButton);
    EXPECT_EQ(Control<QLineEdit>(editor, "Edit6")->text(), QStringLiteral("400,5"));
    EXPECT_EQ(app.viewer().viewer().activeFocalLength(), 400.5);
    EXPECT_TRUE(errors.texts.isEmpty()) << errors.texts.join('\n').toStdString();
}

// What assistive technology and desktop test tools find a control by.
TEST_F(Windows, EveryEditAndButtonHasAnAccessibleName)
{
    for (const QWidget* window : {static_cast<QWidget*>(&panel()), static_cast<QWidget*>(&editor()),
                                  static_cast<QWidget*>(&viewer())})
        for (QWidget* control : window->findChildren<QWidget*>()) {
            if (qobject_cast<QLineEdit*>(control) || qobject_cast<QAbstractSpinBox*>(control)
                || qobject_cast<QAbstractButton*>(control) || qobject_cast<QPlainTextEdit*>(control)) {
                EXPECT_FALSE(QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name).isEmpty())
                    << control->objectName().toStdString();
            }
            // A group is named by its own caption, not the one around it.
            if (const auto* group = qobject_cast<QGroupBox*>(control)) {
                EXPECT_EQ(QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name), group->title());
            }
        }
}

TEST_F(Windows, AClosedSceneEditorComesBackFromTheControlPanel)
{
    auto* button1 = Control<QPushButton>(panel(), "Button1");
    EXPECT_TRUE(button1->toolTip().contains(button1->shortcut().toString(QKeySequence::NativeText)));
    editor().close();
    ASSERT_FALSE(editor().isVisible());
    panel().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&panel()));
    QTest::keySequence(&panel(), button1->shortcut());
    // A button's shortcut presses it visibly first.
    EXPECT_TRUE(QTest::qWaitFor([this] { return editor().isVisible(); }, 1000));
}

TEST_F(Windows, ASceneWithoutEgoLinesSaysSoInsteadOfABusyBar)
{
    SetEgoLines({});
    Click(panel(), "Button3");
    ASSERT_TRUE(WaitForRunEnd());
    auto* bar = Control<QProgressBar>(panel(), "ProgressBar1");
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->text(), QStringLiteral("nothing rendered: the scene has no EGO line"));
    EXPECT_TRUE(!fs::exists(out / "0") || fs::is_empty(out / "0"));
}

TEST_F(Windows, TheAboutTextNamesTheCommandLinesVersion)
{
    const test::CliResult cli = test::RunCli("--version");
    ASSERT_EQ(cli.exitCode, 0);
    const QString version = QString::fromStdString(cli.out).trimmed().section(' ', 1);
    EXPECT_EQ(Control<QPlainTextEdit>(panel(), "Memo1")->toPlainText().section('\n', 1, 1),
              QStringLiteral("Version ") + version);
}

TEST_F(Windows, ClosingTheControlPanelClosesTheOthers)
{
    panel().close();
    EXPECT_FALSE(editor().isVisible());
    EXPECT_FALSE(viewer().isVisible());
}

} // namespace
} // namespace tavrik
