#include "currencyedit.h"

#include "floatformat.h"
#include "localeinfo.h"
#include "numbertext.h"

#include <QEvent>

namespace fprn::editcontrols {

QString BuildDefaultCurrencyFormat() {
    return QString::fromStdString(BuildDefaultCurrencyFormat(LocaleSettings::Current()));
}

TInplaceCurrencyEdit::TInplaceCurrencyEdit(QWidget* parent) : TInplaceMaskEdit(parent) {
    fDisplayFormat = DefaultDisplayFormat();
}

void TInplaceCurrencyEdit::SetDisplayFormat(const QString& value) {
    AddStoredValue(kStoredDisplayFormat);
    ApplyDisplayFormat(value);
}

void TInplaceCurrencyEdit::ApplyDisplayFormat(const QString& pattern) {
    if (pattern == fDisplayFormat) return;
    fDisplayFormat = pattern;
    update();
}

void TInplaceCurrencyEdit::SetMaxValue(double value) {
    AddStoredValue(kStoredMaxValue);
    ChangeMaxValue(value);
}

void TInplaceCurrencyEdit::SetMinValue(double value) {
    AddStoredValue(kStoredMinValue);
    ChangeMinValue(value);
}

void TInplaceCurrencyEdit::ChangeMaxValue(double value) {
    if (value < fMinValue) value = fMinValue;
    if (value == fMaxValue) return;
    fMaxValue = value;
    SetValue(Value());
}

void TInplaceCurrencyEdit::ChangeMinValue(double value) {
    if (value > fMaxValue) value = fMaxValue;
    if (value == fMinValue) return;
    fMinValue = value;
    SetValue(Value());
}

void TInplaceCurrencyEdit::ChangeLimits(double minValue, double maxValue) {
    fMaxValue = maxValue;
    fMinValue = std::min(minValue, maxValue);
    SetValue(Value());
}

double TInplaceCurrencyEdit::Value() const {
    const std::string t = Text().toStdString();
    if (t.empty()) return 0;
    double v = 0;
    return ParseNumberText(t, v, LocaleSettings::Current()) ? v : fMinValue;
}

void TInplaceCurrencyEdit::SetValue(double value) {
    if (fMaxValue != fMinValue) {
        if (value < fMinValue) {
            value = fMinValue;
        } else if (value > fMaxValue) {
            value = fMaxValue;
        }
    }
    const QString t = QString::fromStdString(GeneralNumberText(value, LocaleSettings::Current()));
    const bool modified = GetModified();
    struct TRestore {
        TInplaceCurrencyEdit* edit;
        bool modified;
        ~TRestore() { edit->SetModified(modified); }
    } restore{this, modified};
    if (Text() != t) SetText(t);
}

QString TInplaceCurrencyEdit::GetEditValue(bool) const {
    if (fDisplayFormat.isEmpty()) return Text();
    const LocaleInfo& locale = LocaleSettings::Current();
    const std::string t = Text().toStdString();
    double v = 0;
    // Unlike Value, a text that is no number shows as 0.
    if (!t.empty() && !ParseNumberText(t, v, locale)) v = 0;
    return QString::fromStdString(FormatFloat(fDisplayFormat.toStdString(), v, locale));
}

bool TInplaceCurrencyEdit::PaintsInactive() const {
    return TInplaceMaskEdit::PaintsInactive() || !fDisplayFormat.isEmpty();
}

bool TInplaceCurrencyEdit::AcceptsNumericKey(QChar key) const {
    return editcontrols::AcceptsNumericKey(text().toStdString(), MaskSelStart(), MaskSelLength(),
                                           QString(key).toStdString(), fDecimalPlaces,
                                           fUseThousandSeparator, LocaleSettings::Current());
}

void TInplaceCurrencyEdit::KeyPress(QChar& key) {
    const LocaleInfo& locale = LocaleSettings::Current();
    const std::string typed = QString(key).toStdString();
    const QString mapped =
        QString::fromStdString(MapNumericKey(typed, fUseThousandSeparator, locale));
    if (mapped.size() == 1) key = mapped.front();
    if (key.unicode() >= 32 && !AcceptsNumericKey(key)) {
        key = QChar();
        EditBeep();
        return;
    }
    TInplaceMaskEdit::KeyPress(key);
}

void TInplaceCurrencyEdit::PasteMessage() {
    if (!CanEdit()) return;
    const QString kept = Text();
    const bool modified = GetModified();
    TInplaceMaskEdit::PasteMessage();
    double v = 0;
    if (ParseNumberGrammar(Text().toStdString(), v, LocaleSettings::Current())) return;
    // Refused without a word: the old text comes back, selected, as modified as it was.
    SetText(kept);
    SetModified(modified);
    SelectAll();
}

void TInplaceCurrencyEdit::ValidateEdit() {
    TInplaceMaskEdit::ValidateEdit();
    if (GetModified()) SetValue(Value());
}

void TInplaceCurrencyEdit::changeEvent(QEvent* e) {
    TInplaceMaskEdit::changeEvent(e);
    if (e->type() != QEvent::LocaleChange) return;
    Guard([this] {
        if (!LocaleSettings::FollowsLocaleChanges() || (StoredValues() & kStoredDisplayFormat) != 0)
            return;
        LocaleSettings::Refresh();
        ApplyDisplayFormat(DefaultDisplayFormat());
    });
}

} // namespace fprn::editcontrols
