#include "gui/Controls.h"

#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

namespace tavrik::gui {

namespace {

// A spin box that takes every keystroke. Qt's own refuses one that makes the
// text invalid, so "150" typed into 0 to 100 stays "15" with no sign why;
// here such a text shows as typed, counts as unfinished, and the value keeps
// what the last valid text gave until editing ends and the text shows it.
class UpDown : public QSpinBox {
public:
    using QSpinBox::QSpinBox;

    QValidator::State validate(QString& text, int& position) const override
    {
        const QValidator::State state = QSpinBox::validate(text, position);
        return state == QValidator::Invalid ? QValidator::Intermediate : state;
    }
};

} // namespace

QSpinBox* MakeUpDown(const char* editName, const char* upDownName, int minimum, int maximum, int value,
                     QWidget* parent)
{
    auto* upDown = Named(new UpDown(parent), upDownName);
    upDown->setRange(minimum, maximum);
    upDown->setSingleStep(1);
    upDown->setWrapping(false);
    upDown->setValue(value);
    upDown->setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    Named(upDown->findChild<QLineEdit*>(), editName);
    return upDown;
}

QLabel* MakeBuddyLabel(const QString& caption, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    label->setBuddy(buddy);
    // The text field inside an up-down is a control of its own to
    // assistive technology; it carries the same name.
    if (qobject_cast<QAbstractSpinBox*>(buddy) != nullptr)
        buddy->findChild<QLineEdit*>()->setAccessibleName(caption);
    return label;
}

void FixSize(QWidget* window, QSize clientSize)
{
    window->setFixedSize(clientSize.isValid() ? clientSize : window->sizeHint());
}

} // namespace tavrik::gui
