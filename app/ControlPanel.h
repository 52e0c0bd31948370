#pragma once

#include "render/GenerationSettings.h"

#include <QWidget>

class QButtonGroup;
class QLineEdit;
class QProgressBar;

namespace tavrik::gui {

class TForm1;
class TForm2;

// The control panel, the program's main window: image size, output folder,
// sequence number, background colour, camera and options, Start and the
// progress of a run. Every setting goes into `settings` as it is changed.
class TForm3 : public QWidget {
    Q_OBJECT

public:
    explicit TForm3(GenerationSettings& settings, QWidget* parent = nullptr);

    // The windows it drives; they live as long as this one.
    void Connect(TForm2* editor, TForm1* viewer);
    // Places the three windows side by side where the screen has room for
    // them, each centred otherwise.
    void ArrangeWindows();

protected:
    // Closing the control panel closes the other two windows.
    void closeEvent(QCloseEvent* event) override;

private slots:
    void Button1Click();
    void Button2Click();
    void Button4Click();
    void Button3Click();
    void RadioGroup2Click(int item);
    void CheckBox3Click();
    void ShowProgressRange(int frames);
    void ShowProgress(int framesDone);
    void ShowFrameProgress(int frameIndex, double share);

private:
    QWidget* BuildRendering();

    GenerationSettings& settings_;
    TForm2* editor_ = nullptr;
    TForm1* viewer_ = nullptr;

    QButtonGroup* resolution_;
    QLineEdit* Edit2_;
    QProgressBar* ProgressBar1_;
};

} // namespace tavrik::gui
