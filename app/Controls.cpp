#include "app/Controls.h"

#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QSpinBox>

namespace tavrik::gui {

QSpinBox* MakeUpDown(const char* editName, const char* upDownName, int minimum, int maximum, int value,
                     QWidget* parent)
{
    auto* upDown = Named(new QSpinBox(parent), upDownName);
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

void FixAndCentre(QWidget* window, QSize clientSize)
{
    window->setFixedSize(clientSize.isValid() ? clientSize : window->sizeHint());
    if (const QScreen* screen = window->screen())
        window->move(screen->availableGeometry().center() - window->rect().center());
}

} // namespace tavrik::gui
