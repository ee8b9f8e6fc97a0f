#pragma once
// Edits, spin edits, date pickers and drop-down lists of the main form's pages, placed at fixed
// positions and named as their component; and the text of an edit as the commands take it.
#include <QRect>
#include <QString>
#include <QStringList>

#include <string>

class QComboBox;
class QDateEdit;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QWidget;

namespace fprn::editcontrols {
class TCurrencyEdit;
class TMaskEdit;
} // namespace fprn::editcontrols

namespace fprn::console {

// A plain edit; a maxLength of 0 leaves it without a limit. Typed and pasted characters the
// 8-bit charset lacks are refused (charsetguard.h).
QLineEdit* NewEdit(QWidget* parent, const char* name, const QRect& geometry, int maxLength = 0);
editcontrols::TMaskEdit* NewMaskEdit(QWidget* parent, const char* name, const QRect& geometry,
                                     const char* mask);
// A currency edit with its display format, limit of characters, decimals and largest value
// (0 for none).
editcontrols::TCurrencyEdit* NewCurrencyEdit(QWidget* parent, const char* name,
                                             const QRect& geometry, const char* displayFormat,
                                             int maxLength, int decimals, double maxValue);
QSpinBox* NewSpinEdit(QWidget* parent, const char* name, const QRect& geometry, int minimum,
                      int maximum);
QDateEdit* NewDatePicker(QWidget* parent, const char* name, const QRect& geometry);
// A drop-down list of these items, the first one chosen.
QComboBox* NewDropDown(QWidget* parent, const char* name, const QRect& geometry,
                       const QStringList& items);
// A radio button whose caption is no language text.
QRadioButton* NewRadioButton(QWidget* parent, const char* name, const QRect& geometry,
                             const QString& caption);

// The text of an edit (a mask edit's with its blanks as spaces) as bytes of the 8-bit charset.
std::string EditBytes(const QLineEdit* edit);
// The same, cut by blanks at both ends.
std::string TrimmedEditBytes(const QLineEdit* edit);

// Empties an edit when the handler that holds it leaves, however it does: passwords never stay
// in their edits.
class EmptiedAfterwards {
public:
    explicit EmptiedAfterwards(QLineEdit* edit) : edit_(edit) {}
    ~EmptiedAfterwards();
    EmptiedAfterwards(const EmptiedAfterwards&) = delete;
    EmptiedAfterwards& operator=(const EmptiedAfterwards&) = delete;

private:
    QLineEdit* edit_;
};

} // namespace fprn::console
