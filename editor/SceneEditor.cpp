#include "editor/SceneEditor.h"

#include "base/Assets.h"
#include "base/NumberText.h"
#include "editor/PaletteStrip.h"
#include "gui/Controls.h"
#include "gui/ErrorReporter.h"
#include "scene/DefaultScene.h"
#include "scene/MovementGenerator.h"
#include "scene/SceneText.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

namespace tavrik::gui {

namespace {

constexpr int stripWidth = 833;
constexpr int stripHeight = 41;
// The logs grow by a line per frame or per drawn object; the oldest lines
// go once a log holds this many.
constexpr int logLineLimit = 20000;

QPlainTextEdit* MakeLog(const char* name, const QString& accessibleName, QWidget* parent)
{
    auto* log = Named(new QPlainTextEdit(QString::fromLatin1(name), parent), name);
    log->setAccessibleName(accessibleName);
    log->setLineWrapMode(QPlainTextEdit::NoWrap);
    log->setMaximumBlockCount(logLineLimit);
    return log;
}

QPushButton* MakeButton(const char* name, const QString& caption, QWidget* parent)
{
    return Named(new QPushButton(caption, parent), name);
}

QString Joined(const std::vector<std::string>& lines)
{
    QStringList list;
    list.reserve(static_cast<qsizetype>(lines.size()));
    for (const auto& line : lines)
        list.append(QString::fromLocal8Bit(line));
    return list.join(QLatin1Char('\n'));
}

// "0,12" written with the locale's separator.
QString LocaleNumber(const char* text, char separator)
{
    return QString::fromStdString(NormalizeDecimalSeparator(text, separator));
}

} // namespace

TForm2::TForm2(GenerationSettings& settings, QWidget* parent) : QWidget(parent), settings_(settings)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Tavrik Scene editor"));
    const char separator = settings_.decimalSeparator;

    Edit1_ = Named(new QLineEdit(QString::fromStdString(BundledAssetFolder() + "/scenes/default.scene"), this), "Edit1");
    auto* button1 = MakeButton("Button1", QStringLiteral("Select File"), this);
    auto* button2 = MakeButton("Button2", QStringLiteral("Load"), this);
    auto* button3 = MakeButton("Button3", QStringLiteral("Save"), this);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(MakeBuddyLabel(QStringLiteral("Scene file:"), Edit1_, this));
    fileRow->addWidget(Edit1_, 1);
    fileRow->addWidget(button1);
    fileRow->addWidget(button2);
    fileRow->addWidget(button3);

    Memo1_ = Named(new QPlainTextEdit(Joined(DefaultSceneLines()), this), "Memo1");
    Memo1_->setAccessibleName(QStringLiteral("Scene text"));
    Memo1_->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto* button5 = MakeButton("Button5", QStringLiteral("Prepare"), this);
    Label5_ = Named(new QLabel(this), "Label5");
    Label8_ = Named(new QLabel(this), "Label8");
    auto* label4 = Named(MakeBuddyLabel(QStringLiteral("Number of Frames"), Label5_, this), "Label4");
    auto* label7 = Named(MakeBuddyLabel(QStringLiteral("Number of Objects:"), Label8_, this), "Label7");
    Edit5_ = Named(new QLineEdit(LocaleNumber("0,12", separator), this), "Edit5");
    Edit5_->setToolTip(QStringLiteral("baseline between cameras"));
    Edit6_ = Named(new QLineEdit(LocaleNumber("389,0", separator), this), "Edit6");
    Edit6_->setToolTip(QStringLiteral("Focal length of the cameras"));
    auto* checkBox4 = Named(new QCheckBox(QStringLiteral("4 - macierze transf. obiektow"), this), "CheckBox4");
    auto* counts = new QGridLayout;
    counts->addWidget(label4, 0, 0);
    counts->addWidget(Label5_, 0, 1);
    counts->addWidget(label7, 1, 0);
    counts->addWidget(Label8_, 1, 1);
    counts->setColumnMinimumWidth(1, 60);
    auto* rig = new QGridLayout;
    rig->addWidget(Named(MakeBuddyLabel(QStringLiteral("Baseline"), Edit5_, this), "Label9"), 0, 0);
    rig->addWidget(Edit5_, 0, 1);
    rig->addWidget(Named(MakeBuddyLabel(QStringLiteral("Focal length:"), Edit6_, this), "Label10"), 1, 0);
    rig->addWidget(Edit6_, 1, 1);
    auto* sceneRow = new QHBoxLayout;
    sceneRow->addWidget(button5);
    sceneRow->addSpacing(12);
    sceneRow->addLayout(counts);
    sceneRow->addSpacing(12);
    sceneRow->addLayout(rig);
    sceneRow->addStretch(1);
    sceneRow->addWidget(checkBox4);

    Image1_ = Named(new QLabel(this), "Image1");
    Image1_->setFixedSize(stripWidth, stripHeight);
    Image1_->setAccessibleName(QStringLiteral("Segmentation colours"));
    Image1_->installEventFilter(this);
    Label11_ = Named(new QLabel(this), "Label11");
    auto* stripRow = new QHBoxLayout;
    stripRow->addWidget(Image1_);
    stripRow->addWidget(Label11_, 1);

    Memo2_ = MakeLog("Memo2", QStringLiteral("Ego motion table"), this);
    Memo3_ = MakeLog("Memo3", QStringLiteral("Ego motion list"), this);
    Memo4_ = MakeLog("Memo4", QStringLiteral("Object matrices"), this);
    auto* logs = new QHBoxLayout;
    logs->addWidget(Memo2_);
    logs->addWidget(Memo3_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fileRow);
    layout->addWidget(Memo1_, 3);
    layout->addLayout(sceneRow);
    layout->addWidget(BuildGenerator());
    layout->addLayout(stripRow);
    layout->addLayout(logs, 1);
    layout->addWidget(Memo4_, 1);

    connect(button1, &QPushButton::clicked, this, &TForm2::Button1Click);
    connect(button2, &QPushButton::clicked, this, &TForm2::Button2Click);
    connect(button3, &QPushButton::clicked, this, &TForm2::Button3Click);
    connect(button5, &QPushButton::clicked, this, &TForm2::prepareRequested);
    connect(checkBox4, &QCheckBox::toggled, this, [this](bool on) { settings_.logObjectMatrices = on; });

    FixSize(this, QSize(892, 936));
    Image1Rysuj();
}

QWidget* TForm2::BuildGenerator()
{
    auto* group = Named(new QGroupBox(QStringLiteral("Movement generator"), this), "GroupBox1");
    const char* names[6] = {"CheckBox2", "CheckBox3", "CheckBox5", "CheckBox6", "CheckBox7", "CheckBox8"};
    const char* captions[6] = {"X", "Y", "Z", "A", "B", "G"};
    auto* moving = new QHBoxLayout;
    for (int i = 0; i < 6; ++i) {
        components_[i] = Named(new QCheckBox(QString::fromLatin1(captions[i]), group), names[i]);
        moving->addWidget(components_[i]);
    }
    const char separator = settings_.decimalSeparator;
    Edit2_ = Named(new QLineEdit(LocaleNumber("0,25", separator), group), "Edit2");
    Edit3_ = Named(new QLineEdit(LocaleNumber("0,25", separator), group), "Edit3");
    UpDown1_ = MakeUpDown("Edit4", "UpDown1", 0, 100, 20, group);
    for (QWidget* box : {static_cast<QWidget*>(Edit2_), static_cast<QWidget*>(Edit3_)})
        box->setMaximumWidth(90);
    CheckBox9_ = Named(new QCheckBox(QStringLiteral("Return frame"), group), "CheckBox9");
    CheckBox9_->setChecked(true);
    CheckBox9_->setToolTip(QStringLiteral("Generuje ramke powrotu, o wektorze ruchu -T i -W"));
    auto* button4 = MakeButton("Button4", QStringLiteral("Generate"), group);
    moving->addSpacing(12);
    moving->addWidget(CheckBox9_);
    moving->addStretch(1);
    moving->addWidget(button4);
    auto* values = new QHBoxLayout;
    values->addWidget(MakeBuddyLabel(QStringLiteral("Start:"), Edit2_, group));
    values->addWidget(Edit2_);
    values->addWidget(MakeBuddyLabel(QStringLiteral("Step:"), Edit3_, group));
    values->addWidget(Edit3_);
    values->addWidget(MakeBuddyLabel(QStringLiteral("No Frames:"), UpDown1_, group));
    values->addWidget(UpDown1_);
    values->addSpacing(12);
    values->addWidget(Named(new QLabel(QStringLiteral("Hint: Angles in degrees"), group), "Label6"));
    values->addStretch(1);
    auto* layout = new QVBoxLayout(group);
    layout->addLayout(moving);
    layout->addLayout(values);
    connect(button4, &QPushButton::clicked, this, &TForm2::Button4Click);
    return group;
}

std::vector<std::string> TForm2::SceneLines() const
{
    return SplitLines(Memo1_->toPlainText().toLocal8Bit().toStdString());
}

double TForm2::TakeNumber(QLineEdit* box)
{
    const std::string text = NormalizeDecimalSeparator(box->text().toStdString(), settings_.decimalSeparator);
    box->setText(QString::fromStdString(text));
    return ParseDecimal(text, settings_.decimalSeparator);
}

double TForm2::TakeFocalLength()
{
    return TakeNumber(Edit6_);
}

double TForm2::TakeBaseline()
{
    return TakeNumber(Edit5_);
}

void TForm2::ShowCounts(std::size_t objects, std::size_t frames)
{
    Label8_->setText(QString::number(objects));
    Label5_->setText(QString::number(frames));
}

void TForm2::AppendEgoLogs(const std::string& tableRow, const std::string& listRow)
{
    Memo2_->appendPlainText(QString::fromStdString(tableRow));
    Memo3_->appendPlainText(QString::fromStdString(listRow));
}

void TForm2::WithdrawEgoLogs(int rows)
{
    for (QPlainTextEdit* log : {Memo2_, Memo3_}) {
        // One row a block.
        const int kept = log->blockCount() - rows;
        if (kept <= 0) {
            log->clear();
            continue;
        }
        QTextCursor cursor(log->document()->findBlockByNumber(kept - 1));
        cursor.movePosition(QTextCursor::EndOfBlock);
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
}

void TForm2::ClearEgoLogs()
{
    Memo2_->clear();
    Memo3_->clear();
}

void TForm2::AppendMatrixLog(const std::string& row)
{
    Memo4_->appendPlainText(QString::fromStdString(row));
}

void TForm2::Image1Rysuj()
{
    const RgbImage strip = DrawPaletteStrip(Image1_->width(), Image1_->height(), settings_.paletteSegmentation);
    const QImage image(strip.bytes().data(), strip.width(), strip.height(), strip.width() * 3, QImage::Format_RGB888);
    Image1_->setPixmap(QPixmap::fromImage(image)); // copies the pixels
    Label11_->setText(QStringLiteral("--"));
}

void TForm2::Image1MouseDown(int x, int y)
{
    // A press on the strip's last column or row, which no cell covers,
    // changes nothing.
    if (const auto id = PaletteStripGrid::ForSize(Image1_->width(), Image1_->height()).IdAt(x, y))
        Label11_->setText(QString::number(*id));
}

bool TForm2::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Image1_ && event->type() == QEvent::MouseButtonPress) {
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        Image1MouseDown(at.x(), at.y());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TForm2::Button1Click()
{
    const QString path = QFileDialog::getOpenFileName(this);
    if (!path.isEmpty())
        Edit1_->setText(path);
}

void TForm2::Button2Click()
{
    const bool loaded = Guarded([this] {
        const std::vector<std::string> lines = ReadSceneFile(Edit1_->text().toLocal8Bit().toStdString());
        Memo1_->setPlainText(Joined(lines));
    });
    if (loaded)
        emit prepareRequested();
}

void TForm2::Button3Click()
{
    Guarded([this] { WriteSceneFile(Edit1_->text().toLocal8Bit().toStdString(), SceneLines()); });
}

void TForm2::Button4Click()
{
    Guarded([this] {
        MovementSettings movement;
        // Step first: a bad step is the one reported when both are bad.
        movement.step = ParseDecimal(Edit3_->text().toStdString(), settings_.decimalSeparator);
        movement.start = ParseDecimal(Edit2_->text().toStdString(), settings_.decimalSeparator);
        movement.frames = UpDown1_->value();
        movement.returnFrame = CheckBox9_->isChecked();
        bool* moves[6] = {&movement.x, &movement.y, &movement.z, &movement.a, &movement.b, &movement.g};
        for (int i = 0; i < 6; ++i)
            *moves[i] = components_[i]->isChecked();
        for (const auto& line : GenerateEgoLines(movement, settings_.decimalSeparator))
            Memo1_->appendPlainText(QString::fromStdString(line));
    });
}

} // namespace tavrik::gui
