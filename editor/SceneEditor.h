#pragma once

#include "render/GenerationSettings.h"

#include <QWidget>

#include <cstddef>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace tavrik::gui {

// The scene editor: the scene text with its file, the stereo rig's baseline
// and focal length, the movement generator, the palette strip, the counts of
// the last preparation and the logs a run writes. It prepares nothing itself:
// Prepare and Load ask the viewer through prepareRequested.
class TForm2 : public QWidget {
    Q_OBJECT

public:
    // `settings` must outlive the window; its palette switch is read for the
    // strip and its decimal separator for every number text shown here.
    explicit TForm2(GenerationSettings& settings, QWidget* parent = nullptr);

    // The scene text, line by line, as the parser reads it.
    std::vector<std::string> SceneLines() const;
    // The focal length and the baseline for a preparation: the box's text
    // with every "." and "," turned into the locale's separator, written
    // back, then converted. A text that does not convert throws UserError.
    double TakeFocalLength();
    double TakeBaseline();

    void ShowCounts(std::size_t objects, std::size_t frames);
    void AppendEgoLogs(const std::string& tableRow, const std::string& listRow);
    // Takes the last `rows` rows off both ego-motion logs.
    void WithdrawEgoLogs(int rows);
    void ClearEgoLogs();
    void AppendMatrixLog(const std::string& row);

    // Draws the palette strip in grey or palette colours, as the settings
    // say now, and clears the pick label.
    void Image1Rysuj();

signals:
    void prepareRequested();

private slots:
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* BuildGenerator();
    double TakeNumber(QLineEdit* box);
    void Image1MouseDown(int x, int y);

    GenerationSettings& settings_;

    QLineEdit* Edit1_;
    QPlainTextEdit* Memo1_;
    QPlainTextEdit* Memo2_;
    QPlainTextEdit* Memo3_;
    QPlainTextEdit* Memo4_;
    QLabel* Label5_;
    QLabel* Label8_;
    QLineEdit* Edit5_;
    QLineEdit* Edit6_;
    QLabel* Image1_;
    QLabel* Label11_;

    // Movement generator.
    QCheckBox* components_[6]; // X, Y, Z, A, B, G
    QLineEdit* Edit2_;
    QLineEdit* Edit3_;
    QSpinBox* UpDown1_;
    QCheckBox* CheckBox9_;
};

} // namespace tavrik::gui
