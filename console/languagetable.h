#pragma once
// The language table of the main form: one row per control whose caption comes from the
// language library, with the caption the control is built with. Page builders take their
// built-in captions from here, so a control and its row cannot drift apart.
#include <QString>

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

class QWidget;

namespace fprn::console {

// Rows of the top panel and the return buffer, outside the pages.
inline constexpr int kFramePage = -1;

struct LanguageRow {
    int page;            // notebook page of the control, or kFramePage
    const char* name;    // the control's objectName
    std::int32_t id;     // language identifier
    const char* builtIn; // caption in the form (8-bit text)
    bool colon = false;  // the language text gets a ':' appended
};

std::span<const LanguageRow> LanguageRows();
// nullptr when no row has that name.
const LanguageRow* FindLanguageRow(std::string_view name);
// The built-in caption of a row; throws std::out_of_range for a name without a row.
QString BuiltInCaption(std::string_view name);

// The caption of a label, button or group box.
void SetControlCaption(QWidget* control, const QString& caption);
QString ControlCaption(const QWidget* control);

// The console's version, as its caption and --version show it.
inline constexpr const char* kConsoleVersion = "1.13";

// With a language object: the window caption (text 10100, " V1.13"), the message texts, the
// error tables, then each row's control once (a row whose control is missing is passed over).
// Without one, nothing changes. Page 0 and every hint keep their built-in texts.
void ApplyLanguage(QWidget& mainForm);

// The rows whose control the form does not have: the pages not built yet.
std::vector<const LanguageRow*> MissingLanguageControls(const QWidget& mainForm);

} // namespace fprn::console
