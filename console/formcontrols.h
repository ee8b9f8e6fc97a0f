#pragma once
// Controls of the main form's pages, placed at fixed positions and named as their component.
// Without an explicit caption a control takes the built-in caption of its language row
// (languagetable.h), and throws std::out_of_range when it has none. Labels show plain text.
#include <QPoint>
#include <QRect>
#include <QString>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QWidget;

namespace fprn::console {

// Sized to its text.
QLabel* NewLabel(QWidget* parent, const char* name, QPoint at);
QLabel* NewLabel(QWidget* parent, const char* name, QPoint at, const QString& text);
// A label that shows a value: fixed size, empty at first.
QLabel* NewValueLabel(QWidget* parent, const char* name, const QRect& geometry);
QPushButton* NewButton(QWidget* parent, const char* name, const QRect& geometry);
QPushButton* NewButton(QWidget* parent, const char* name, const QRect& geometry,
                       const QString& caption);
QGroupBox* NewGroupBox(QWidget* parent, const char* name, const QRect& geometry);
QRadioButton* NewRadioButton(QWidget* parent, const char* name, const QRect& geometry);
QCheckBox* NewCheckBox(QWidget* parent, const char* name, const QRect& geometry);

// Sets exactly one button of a radio group checked, or none (index outside the group): an
// auto-exclusive group cannot be cleared by unchecking its checked button.
void CheckRadio(std::initializer_list<QRadioButton*> group, int index);

} // namespace fprn::console
