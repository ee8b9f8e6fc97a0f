#pragma once
// The currency edit: a single-line numeric edit. While it has the focus it shows the number as
// typed; otherwise it paints the number through DisplayFormat (a float format pattern, see
// floatformat.h). Typing is filtered key by key, a paste must leave a number, and leaving the
// edit normalises the text and applies the limits. It never carries an edit mask.
#include "maskedit.h"

namespace fprn::editcontrols {

// The default display pattern from the current locale settings.
QString BuildDefaultCurrencyFormat();

class TInplaceCurrencyEdit : public TInplaceMaskEdit {
    Q_OBJECT
public:
    explicit TInplaceCurrencyEdit(QWidget* parent = nullptr);

    // Most digits typing may put after the decimal separator.
    int DecimalPlaces() const { return fDecimalPlaces; }
    void SetDecimalPlaces(int value) { fDecimalPlaces = value; }
    // Lets the locale's thousand separator be typed.
    bool UseThousandSeparator() const { return fUseThousandSeparator; }
    void SetUseThousandSeparator(bool value) { fUseThousandSeparator = value; }
    QString DisplayFormat() const { return fDisplayFormat; }
    void SetDisplayFormat(const QString& value);
    // Equal limits (both 0 by default) mean no limits.
    double MaxValue() const { return fMaxValue; }
    void SetMaxValue(double value);
    double MinValue() const { return fMinValue; }
    void SetMinValue(double value);

    // An empty text reads 0, a text that is no number reads MinValue; never clamped on reading.
    double Value() const;
    // Clamped to the limits and written as the general number text; the modified flag stays.
    void SetValue(double value);

    QString GetEditValue(bool forPainting) const override;
    bool PaintsInactive() const override;
    void ValidateEdit() override;

protected:
    virtual bool AcceptsNumericKey(QChar key) const;
    virtual void ApplyDisplayFormat(const QString& pattern);
    virtual void ChangeMaxValue(double value);
    virtual void ChangeMinValue(double value);
    virtual void ChangeLimits(double minValue, double maxValue);
    virtual QString DefaultDisplayFormat() const { return BuildDefaultCurrencyFormat(); }
    virtual double DefaultMaxValue() const { return 0; }
    virtual double DefaultMinValue() const { return 0; }

    void KeyPress(QChar& key) override;
    bool UsesOleCallback() const override { return true; }
    void ChangeEditMask(const QString&) override {}
    void PasteMessage() override;
    void changeEvent(QEvent* e) override;

private:
    QString fDisplayFormat;
    double fMaxValue = 0;
    double fMinValue = 0;
    int fDecimalPlaces = 2;
    bool fUseThousandSeparator = false;
};

// The standalone currency edit: 121 x 21 pixels at creation, a tab stop, auto-size.
class TCustomCurrencyEdit : public TInplaceCurrencyEdit {
    Q_OBJECT
public:
    using TInplaceCurrencyEdit::TInplaceCurrencyEdit;
    bool IsInplace() const override { return false; }
};

// The class placed on forms.
class TCurrencyEdit : public TCustomCurrencyEdit {
    Q_OBJECT
public:
    using TCustomCurrencyEdit::TCustomCurrencyEdit;
};

} // namespace fprn::editcontrols
