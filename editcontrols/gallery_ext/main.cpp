// Currency edits in a few formats and locales, painted unfocused (display text) and focused
// (raw text), written as PNG files into the folder given on the command line.
#include "currencyedit.h"
#include "edlib.h"
#include "localeinfo.h"

#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QLabel>

#include <cstdio>

using namespace fprn::editcontrols;

namespace {

struct Sample {
    const char* caption;
    const char* format; // nullptr: the locale's default
    double value;
    const char* text; // set as text instead of the value when not null
};

bool Render(const QString& folder, const QString& name, const LocaleInfo& locale) {
    ScopedLocale scope(locale);
    const Sample samples[] = {
        {"Price 0.00", "0.00", 12.5, nullptr},
        {"Quantity 0.000", "0.000", 1.25, nullptr},
        {"Count 0", "0", 3, nullptr},
        {"Default", nullptr, -1234.5, nullptr},
        {"Big default", nullptr, 1234567.891, nullptr},
        {"Sections", ",0.00;(,0.00);\"zero\"", -7, nullptr},
        {"Zero section", ",0.00;(,0.00);\"zero\"", 0.001, nullptr},
        {"Scientific", "0.00E+00", 12345, nullptr},
        {"Not a number", "0.00", 0, "abc"},
    };
    QWidget window;
    window.setWindowTitle(name);
    auto* grid = new QGridLayout(&window);
    int row = 0;
    for (const Sample& s : samples) {
        grid->addWidget(new QLabel(QString::fromLatin1(s.caption)), row, 0);
        auto* edit = new TCurrencyEdit(&window);
        if (s.format != nullptr) edit->SetDisplayFormat(QString::fromLatin1(s.format));
        if (s.text != nullptr) {
            edit->SetText(QString::fromLatin1(s.text));
        } else {
            edit->SetValue(s.value);
        }
        grid->addWidget(edit, row, 1);
        auto* label = new QLabel(edit->DisplayFormat());
        grid->addWidget(label, row, 2);
        ++row;
    }
    auto* focused = new TCurrencyEdit(&window);
    focused->SetValue(-1234.5);
    grid->addWidget(new QLabel(QStringLiteral("Focused (raw)")), row, 0);
    grid->addWidget(focused, row, 1);
    auto* disabled = new TCurrencyEdit(&window);
    disabled->SetValue(99.9);
    disabled->setEnabled(false);
    grid->addWidget(new QLabel(QStringLiteral("Disabled")), row + 1, 0);
    grid->addWidget(disabled, row + 1, 1);
    window.show();
    focused->setFocus();
    QApplication::processEvents();
    const QString file = QDir(folder).filePath(name + QStringLiteral(".png"));
    const bool ok = window.grab().save(file);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(file));
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("gallery_ext");
    QDir().mkpath(folder);
    StartEditLibrary();

    LocaleInfo dollar;
    dollar.currencySymbol = "$";
    LocaleInfo krona;
    krona.decimalSeparator = ",";
    krona.thousandSeparator = ".";
    krona.currencySymbol = "kr";
    krona.currencyFormat = 3;
    LocaleInfo francs;
    francs.decimalSeparator = ".";
    francs.thousandSeparator = "'";
    francs.currencySymbol = "Fr.";
    francs.currencyFormat = 2;
    LocaleInfo whole;
    whole.currencySymbol = "\xC2\xA5";
    whole.currencyDecimals = 0;

    bool ok = Render(folder, QStringLiteral("currency_c"), CLocaleInfo());
    ok = Render(folder, QStringLiteral("currency_dollar"), dollar) && ok;
    ok = Render(folder, QStringLiteral("currency_comma_kr"), krona) && ok;
    ok = Render(folder, QStringLiteral("currency_quoted_symbol"), francs) && ok;
    ok = Render(folder, QStringLiteral("currency_no_decimals"), whole) && ok;
    EndEditLibrary();
    return ok ? 0 : 1;
}
