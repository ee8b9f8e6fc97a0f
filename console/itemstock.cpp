#include "itemstock.h"

#include "autoadvance.h"
#include "currencyedit.h"
#include "fieldreadings.h"
#include "filedialog.h"
#include "language.h"
#include "languagetext.h"
#include "localeinfo.h"
#include "mainform.h"
#include "messagebox.h"
#include "numbertext.h"
#include "pageedits.h"
#include "plufile.h"
#include "salepages.h"
#include "stock.h"

#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

#include <optional>
#include <stdexcept>

namespace fprn::console {

namespace {

using itemfile::Status;

constexpr int kMessageTaxLetter = 11440;
constexpr int kBatchItems = 100;
constexpr int kBatchDefaultStart = 200;

struct PluState {
    std::optional<itemfile::ItemList> lines; // absent until a load finds its file
    std::string fileName;
    bool batch = false; // the batch sale runs the lookup itself
    // The barcode key the sale fields were last filled for, whether it had an item and whether
    // that item was refused (its PRICE no number); none once the barcode changes.
    struct LookedUp {
        std::string key;
        bool found = false;
        bool refused = false;
    };
    std::optional<LookedUp> lookedUp;
};

PluState& Plu(TMainForm& form) {
    return form.GroupState<PluState>();
}

template <typename T> T* Get(TMainForm& form, const char* name) {
    return form.Control<T>(QString::fromLatin1(name));
}

// The key of a barcode: without the blanks and control characters at its end.
std::string_view BarcodeKey(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
    return text;
}

// Focus moves once the leave handler is over: moving it from inside would be undone.
void FocusLater(QWidget* control) {
    QTimer::singleShot(0, control, [control] { control->setFocus(Qt::OtherFocusReason); });
}

// Sets a flag for its lifetime.
class Raised {
public:
    explicit Raised(bool& flag) : flag_(flag) { flag_ = true; }
    ~Raised() { flag_ = false; }
    Raised(const Raised&) = delete;
    Raised& operator=(const Raised&) = delete;

private:
    bool& flag_;
};

// Enter moves on in the four fields; leaving the barcode looks it up.
class LookupKeys : public QObject {
public:
    LookupKeys(TMainForm& form, QWidget* barcode)
        : QObject(barcode), form_(form), barcode_(barcode) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* control = static_cast<QWidget*>(watched);
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
            form_.Guarded([this, control] {
                // Looked up before the focus moves: in a window Qt holds for inactive the move
                // sends no FocusOut.
                if (control == barcode_) edBarcodeExit(form_);
                const Raised entered(entered_);
                FocusNextTabStop(*control);
            });
            return true;
        }
        if (event->type() == QEvent::FocusOut && control == barcode_) {
            // Another window taking the focus is no leaving of the field, nor is the move of the
            // Enter that has just looked it up.
            auto reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
                !Plu(form_).batch && !entered_)
                form_.Guarded([this] { edBarcodeExit(form_); });
        }
        return false;
    }

private:
    TMainForm& form_;
    QWidget* barcode_;
    bool entered_ = false;
};

} // namespace

const itemfile::ItemList* PluLines(TMainForm& form) {
    auto& lines = Plu(form).lines;
    return lines ? &*lines : nullptr;
}

const std::vector<itemfile::Bytes>* PluBarcodes(TMainForm& form) {
    auto& lines = Plu(form).lines;
    return lines ? &lines->Barcodes() : nullptr;
}

const std::string& PluFileName(TMainForm& form) {
    return Plu(form).fileName;
}

void LoadPluFile(TMainForm& form, const std::string& path) {
    PluState& plu = Plu(form);
    plu.fileName.clear();
    plu.lookedUp.reset(); // the fields hold an item of the file before
    itemfile::ItemList loaded;
    Status status = itemfile::LoadItemFile(path, loaded);
    if (status.code == Status::Code::NotFound) return;
    if (!status.ok()) {
        plu.lines.emplace();
        throw std::runtime_error(status.message);
    }
    plu.lines = std::move(loaded);
    plu.fileName = path;
}

void bbtnLoadPluClick(TMainForm& form) {
    QFileDialog* dialog = form.OpenDialog1;
    if (!PluFileName(form).empty()) dialog->selectFile(QString::fromLocal8Bit(PluFileName(form)));
    const QString chosen = RunFileDialog(*dialog);
    if (chosen.isEmpty()) return;
    LoadPluFile(form, chosen.toLocal8Bit().toStdString());
}

namespace {

enum class Lookup { NoItemFile, NotFound, Found, LetterAsked, PriceRefused };

// An item's PRICE in the price field's form: its point or comma made the locale's separator,
// so that the field reads the number the file holds. Empty for an empty PRICE; nothing for one
// that is no number.
std::optional<QString> FieldPrice(const std::string& price) {
    if (itemfile::TrimBlanks(price).empty()) return QString();
    const editcontrols::LocaleInfo& locale = editcontrols::LocaleSettings::Current();
    const std::optional<std::string> text =
        itemfile::PriceWithSeparator(price, locale.decimalSeparator);
    double value = 0;
    if (!text || !editcontrols::ParseNumberGrammar(*text, value, locale)) return std::nullopt;
    return QString::fromStdString(*text);
}

// Fills the sale fields from the item of the barcode in edBarcode and asks for a tax letter
// the item has none of; moves no focus.
Lookup LookUpBarcode(TMainForm& form) {
    const itemfile::ItemList* plu = PluLines(form);
    if (!plu) return Lookup::NoItemFile;
    auto* name = Get<QLineEdit>(form, "edName");
    auto* price = Get<editcontrols::TCurrencyEdit>(form, "edPrice");
    auto* unit = Get<QLineEdit>(form, "edUnit");
    auto* letters = Get<QComboBox>(form, "cbDepId");
    const std::string typed = EditBytes(Get<QLineEdit>(form, "edBarcode"));
    const std::string_view key = BarcodeKey(typed);
    auto found = plu->Find(key);
    auto& lookedUp = Plu(form).lookedUp;
    const bool refusedBefore = lookedUp && lookedUp->key == key && lookedUp->refused;
    lookedUp = PluState::LookedUp{std::string(key), found.has_value()};
    auto emptyFields = [&] {
        name->clear();
        price->SetText(QString());
        unit->clear();
        letters->setCurrentIndex(-1);
        Get<editcontrols::TCurrencyEdit>(form, "edQty")->SetText(QStringLiteral("1"));
    };
    if (!found) {
        emptyFields();
        return Lookup::NotFound;
    }
    const std::vector<std::string> fields = SplitStr(plu->Lines()[*found], "\t");
    auto bytes = [&fields](int i) {
        return static_cast<std::size_t>(i) < fields.size() ? fields[i] : std::string();
    };
    auto field = [&bytes](int i) { return lang::FromCharset(bytes(i)); };
    const std::optional<QString> itemPrice = FieldPrice(bytes(itemfile::kPrice));
    if (!itemPrice) {
        // Sold at no price but its own: until the file is mended, the item is not sold. Told
        // once, not again each time the field is left.
        lookedUp->refused = true;
        emptyFields();
        if (!refusedBefore)
            ShowErrorBox(&form,
                         QStringLiteral("Item \"%1\": its PRICE \"%2\" is not a number; it "
                                        "is not sold.")
                             .arg(lang::FromCharset(std::string(key)), field(itemfile::kPrice)));
        return Lookup::PriceRefused;
    }
    name->setText(field(itemfile::kName));
    price->SetText(*itemPrice);
    unit->setText(field(itemfile::kUnit));
    const QString taxNo = field(itemfile::kTaxNo);
    int letter = letters->findText(taxNo, Qt::MatchFixedString);
    if (letter >= 0 && !taxNo.isEmpty()) {
        letters->setCurrentIndex(letter);
        return Lookup::Found;
    }
    const std::string pattern = lang::GetLanguageText(kMessageTaxLetter);
    const std::string text = lang::ToCharset(taxNo);
    ShowPlainMessage(&form,
                     lang::FromCharset(lang::FormatLanguageText(pattern, {lang::FormatArg(text)})));
    return Lookup::LetterAsked;
}

} // namespace

void edBarcodeExit(TMainForm& form) {
    switch (LookUpBarcode(form)) {
    case Lookup::Found:
        FocusLater(Get<QWidget>(form, "edQty"));
        break;
    case Lookup::LetterAsked:
        FocusLater(Get<QWidget>(form, "cbDepId"));
        break;
    case Lookup::NoItemFile:
    case Lookup::NotFound:
    case Lookup::PriceRefused:
        break;
    }
}

SaleLookup LookUpBeforeSale(TMainForm& form) {
    auto* barcode = Get<QLineEdit>(form, "edBarcode");
    const std::string typed = EditBytes(barcode);
    const std::string_view key = BarcodeKey(typed);
    if (key.empty()) return SaleLookup::Item;
    const auto& last = Plu(form).lookedUp;
    if (last && last->key == key && last->refused) {
        barcode->setFocus();
        return SaleLookup::Stop;
    }
    if (last && last->key == key) return last->found ? SaleLookup::Item : SaleLookup::NoItem;
    switch (LookUpBarcode(form)) {
    case Lookup::NotFound:
    case Lookup::PriceRefused:
        barcode->setFocus();
        return SaleLookup::Stop;
    case Lookup::LetterAsked:
        Get<QWidget>(form, "cbDepId")->setFocus();
        return SaleLookup::Stop;
    case Lookup::NoItemFile:
    case Lookup::Found:
        break;
    }
    return SaleLookup::Item;
}

void HookItemLookup(TMainForm& form) {
    auto* barcode = Get<QLineEdit>(form, "edBarcode");
    auto* keys = new LookupKeys(form, barcode);
    for (const char* name : {"edBarcode", "edName", "edUnit", "cbDepId"})
        Get<QWidget>(form, name)->installEventFilter(keys);
    // Another barcode, or the same one typed again after the sale emptied the field, is not
    // the one the fields were filled for.
    QObject::connect(barcode, &QLineEdit::textChanged, keys, [&form, barcode] {
        form.Guarded([&form, barcode] {
            auto& lookedUp = Plu(form).lookedUp;
            if (lookedUp && lookedUp->key != BarcodeKey(EditBytes(barcode))) lookedUp.reset();
        });
    });
}

Status AdjustPluStock(TMainForm& form, std::string_view barcode, bool add, double quantity) {
    PluState& plu = Plu(form);
    if (!plu.lines || plu.fileName.empty()) return Status::Missing("no item file is loaded");
    return itemfile::AdjustStock(plu.fileName, BarcodeKey(barcode),
                                 add ? itemfile::StockSign::Add : itemfile::StockSign::Subtract,
                                 quantity, &*plu.lines);
}

void ReportStockFailures(TMainForm& form, const std::vector<Status>& results) {
    QStringList failed;
    for (const Status& s : results)
        if (s.code == Status::Code::Failed) failed << lang::FromCharset(s.message);
    if (!failed.isEmpty())
        ShowErrorBox(&form, QStringLiteral("The item file was not updated:\n") +
                                failed.join(QLatin1Char('\n')));
}

void btnSale200Click(TMainForm& form) {
    const int start = IntegerOr(EditBytes(Get<QLineEdit>(form, "edBatch")), kBatchDefaultStart);
    auto* barcode = Get<QLineEdit>(form, "edBarcode");
    // The focus the lookup moves arrives while a sale is sent: no second lookup then.
    struct Batch {
        bool& running;
        explicit Batch(bool& flag) : running(flag) { running = true; }
        ~Batch() { running = false; }
    } batch(Plu(form).batch);
    for (int i = 0; i < kBatchItems; ++i) {
        const auto* barcodes = PluBarcodes(form);
        const long long index = static_cast<long long>(start) + i;
        if (!barcodes || index < 0 || index >= static_cast<long long>(barcodes->size())) {
            ShowErrorBox(&form, QStringLiteral("The batch sale ends: the item file has no item %1 "
                                               "(%2 were sold).")
                                    .arg(index)
                                    .arg(i));
            return;
        }
        barcode->setText(lang::FromCharset((*barcodes)[static_cast<std::size_t>(index)]));
        edBarcodeExit(form);
        Get<editcontrols::TCurrencyEdit>(form, "edQty")->SetText(QStringLiteral("1"));
        btnSaleItemClick(form);
    }
}

} // namespace fprn::console
