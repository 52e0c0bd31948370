#include "editor/SceneEditor.h"

#include "tests/ScratchFolder.h"
#include "tests/app/GuiTestSupport.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace tavrik {
namespace {

using test::Control;
using test::ErrorRecorder;

struct Editor {
    explicit Editor(char separator)
    {
        settings.decimalSeparator = separator;
        form = std::make_unique<gui::TForm2>(settings);
    }
    QStringList SceneText() const { return Control<QPlainTextEdit>(*form, "Memo1")->toPlainText().split('\n'); }
    void Click(const char* button) const { QTest::mouseClick(Control<QPushButton>(*form, button), Qt::LeftButton); }
    QString Text(const char* control) const
    {
        if (auto* edit = form->findChild<QLineEdit*>(QString::fromLatin1(control)))
            return edit->text();
        return Control<QLabel>(*form, control)->text();
    }

    GenerationSettings settings;
    std::unique_ptr<gui::TForm2> form;
};

class SceneEditorLocale : public ::testing::TestWithParam<char> {
protected:
    // "0,25" under a comma locale, "0.25" under a point locale.
    static QString Local(const char* commaText)
    {
        return QString::fromLatin1(commaText).replace(',', QChar::fromLatin1(GetParam()));
    }
};

TEST_P(SceneEditorLocale, NumberBoxesUseTheLocalesSeparator)
{
    const Editor editor(GetParam());
    EXPECT_EQ(editor.Text("Edit5"), Local("0,12"));
    EXPECT_EQ(editor.Text("Edit6"), Local("389,0"));
    EXPECT_EQ(editor.Text("Edit2"), Local("0,25"));
    EXPECT_EQ(editor.Text("Edit3"), Local("0,25"));
}

TEST_P(SceneEditorLocale, GenerateAppendsTheWorkedExample)
{
    ErrorRecorder errors;
    const Editor editor(GetParam());
    Control<QCheckBox>(*editor.form, "CheckBox5")->setChecked(true); // Z
    editor.Click("Button4");

    const QStringList lines = editor.SceneText();
    ASSERT_EQ(lines.size(), 18 + 20);
    EXPECT_EQ(lines[18], Local("EGO; 0,000;0,000;0,250;0,000;0,000;0,000;"));
    EXPECT_EQ(lines[19], Local("EGO; 0,000;0,000;-0,250;0,000;0,000;0,000;"));
    EXPECT_EQ(lines[20], Local("EGO; 0,000;0,000;0,500;0,000;0,000;0,000;"));
    EXPECT_EQ(lines[37], Local("EGO; 0,000;0,000;-2,500;0,000;0,000;0,000;"));
    EXPECT_TRUE(errors.texts.isEmpty());
}

TEST_P(SceneEditorLocale, NumberWithTheOtherSeparatorAppendsNothing)
{
    ErrorRecorder errors;
    const Editor editor(GetParam());
    const QString foreign = GetParam() == ',' ? QStringLiteral("0.5") : QStringLiteral("0,5");
    Control<QLineEdit>(*editor.form, "Edit2")->setText(QStringLiteral("x"));
    Control<QLineEdit>(*editor.form, "Edit3")->setText(foreign);
    editor.Click("Button4");

    EXPECT_EQ(editor.SceneText().size(), 18);
    // Step is converted first, so it is the one reported.
    EXPECT_EQ(errors.texts, QStringList{"'" + foreign + "' is not a valid floating point value"});
}

INSTANTIATE_TEST_SUITE_P(Separators, SceneEditorLocale, ::testing::Values(',', '.'));

TEST(SceneEditor, SaveThenLoadGivesBackTheLinesAndPrepares)
{
    ErrorRecorder errors;
    const Editor editor('.');
    const std::string path = (test::ScratchFolder() / "scene.txt").string();
    Control<QLineEdit>(*editor.form, "Edit1")->setText(QString::fromStdString(path));
    auto* memo = Control<QPlainTextEdit>(*editor.form, "Memo1");
    memo->setPlainText(QStringLiteral("SPHERE; id 3 \n\nEGO; 0;0;0;0;0;0"));
    editor.Click("Button3");
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "SPHERE; id 3 \r\n\r\nEGO; 0;0;0;0;0;0\r\n");

    memo->setPlainText(QStringLiteral("changed"));
    const QSignalSpy prepared(editor.form.get(), &gui::TForm2::prepareRequested);
    editor.Click("Button2");
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("SPHERE; id 3 \n\nEGO; 0;0;0;0;0;0"));
    EXPECT_EQ(prepared.count(), 1);
    EXPECT_TRUE(errors.texts.isEmpty());
}

TEST(SceneEditor, LoadOfAnEmptyPathChangesNothing)
{
    ErrorRecorder errors;
    const Editor editor('.');
    const QString before = Control<QPlainTextEdit>(*editor.form, "Memo1")->toPlainText();
    Control<QLineEdit>(*editor.form, "Edit1")->clear();
    const QSignalSpy prepared(editor.form.get(), &gui::TForm2::prepareRequested);
    editor.Click("Button2");
    EXPECT_EQ(errors.texts, QStringList{"Cannot open file "});
    EXPECT_EQ(Control<QPlainTextEdit>(*editor.form, "Memo1")->toPlainText(), before);
    EXPECT_EQ(prepared.count(), 0);
}

TEST(SceneEditor, StripIsDrawnAtCreationAndPicksIds)
{
    const Editor editor('.');
    EXPECT_EQ(editor.Text("Label11"), QStringLiteral("--"));
    EXPECT_EQ(editor.Text("Label5"), QString());
    EXPECT_EQ(editor.Text("Label8"), QString());
    const QImage strip = test::StripImage(*editor.form);
    ASSERT_EQ(strip.size(), QSize(833, 41));
    EXPECT_EQ(strip.pixelColor(14, 11), QColor(65, 65, 65));

    auto* image = Control<QLabel>(*editor.form, "Image1");
    for (auto [x, y, id] : {std::tuple{5, 5, "0"}, std::tuple{830, 38, "255"}, std::tuple{13, 10, "65"},
                            std::tuple{832, 20, "65"}}) {
        QTest::mouseClick(image, Qt::LeftButton, {}, QPoint(x, y));
        EXPECT_EQ(editor.Text("Label11"), QString::fromLatin1(id)) << x << "," << y;
    }
}

} // namespace
} // namespace tavrik
