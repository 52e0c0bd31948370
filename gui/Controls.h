#pragma once

#include <QSize>
#include <QString>

class QLabel;
class QSpinBox;
class QWidget;

namespace tavrik::gui {

// Gives `widget` the control name by which tests and desktop tools find it.
template <class Widget>
Widget* Named(Widget* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// An edit box with its up-down control: a spin box named `upDownName` whose
// text field is named `editName`. Whole numbers from `minimum` to `maximum`,
// steps of 1 without wrapping. Every keystroke is taken; while the text is
// not a whole number in range the value stays the last valid one, and the
// text shows that value again when editing ends.
QSpinBox* MakeUpDown(const char* editName, const char* upDownName, int minimum, int maximum, int value,
                     QWidget* parent);

// A label with `caption` whose buddy is `buddy`, so that the buddy's
// accessible name is the caption.
QLabel* MakeBuddyLabel(const QString& caption, QWidget* buddy, QWidget* parent);

// Fixes `window` at the size its layout asks for (or `clientSize` when
// given).
void FixSize(QWidget* window, QSize clientSize = {});

} // namespace tavrik::gui
