#include "pageedits.h"

#include "charsetguard.h"
#include "currencyedit.h"
#include "fieldreadings.h"
#include "languagetext.h"
#include "maskedit.h"
#include "messagebox.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>

namespace fprn::console {

namespace {

template <typename W> W* Placed(W* widget, const char* name, const QRect& geometry) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

} // namespace

QLineEdit* NewEdit(QWidget* parent, const char* name, const QRect& geometry, int maxLength) {
    auto* edit = Placed(new QLineEdit(parent), name, geometry);
    if (maxLength > 0) edit->setMaxLength(maxLength);
    lang::GuardCharset(edit, {editcontrols::EditBeep, [edit](const QString& message) {
                                  ShowErrorBox(edit->window(), message);
                              }});
    return edit;
}

editcontrols::TMaskEdit* NewMaskEdit(QWidget* parent, const char* name, const QRect& geometry,
                                     const char* mask) {
    auto* edit = Placed(new editcontrols::TMaskEdit(parent), name, geometry);
    edit->SetEditMask(QString::fromLatin1(mask));
    return edit;
}

editcontrols::TCurrencyEdit* NewCurrencyEdit(QWidget* parent, const char* name,
                                             const QRect& geometry, const char* displayFormat,
                                             int maxLength, int decimals, double maxValue) {
    auto* edit = Placed(new editcontrols::TCurrencyEdit(parent), name, geometry);
    edit->SetDisplayFormat(QString::fromLatin1(displayFormat));
    edit->SetDecimalPlaces(decimals);
    edit->SetMaxLength(maxLength);
    if (maxValue > 0) edit->SetMaxValue(maxValue);
    return edit;
}

QSpinBox* NewSpinEdit(QWidget* parent, const char* name, const QRect& geometry, int minimum,
                      int maximum) {
    auto* spin = Placed(new QSpinBox(parent), name, geometry);
    spin->setRange(minimum, maximum);
    return spin;
}

QDateEdit* NewDatePicker(QWidget* parent, const char* name, const QRect& geometry) {
    auto* picker = Placed(new QDateEdit(parent), name, geometry);
    picker->setCalendarPopup(true);
    return picker;
}

QComboBox* NewDropDown(QWidget* parent, const char* name, const QRect& geometry,
                       const QStringList& items) {
    auto* box = Placed(new QComboBox(parent), name, geometry);
    box->setEditable(false);
    box->addItems(items);
    box->setCurrentIndex(0);
    return box;
}

QRadioButton* NewRadioButton(QWidget* parent, const char* name, const QRect& geometry,
                             const QString& caption) {
    return Placed(new QRadioButton(caption, parent), name, geometry);
}

std::string EditBytes(const QLineEdit* edit) {
    if (auto* text = qobject_cast<const editcontrols::TInplaceTextEdit*>(edit))
        return lang::ToCharset(text->Text());
    return lang::ToCharset(edit->text());
}

std::string TrimmedEditBytes(const QLineEdit* edit) {
    return std::string(TrimBlanks(EditBytes(edit)));
}

EmptiedAfterwards::~EmptiedAfterwards() {
    edit_->clear();
}

} // namespace fprn::console
