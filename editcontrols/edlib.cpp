#include "edlib.h"

#include "editstrings.h"
#include "localeinfo.h"

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QStyle>

#include <array>
#include <map>
#include <memory>

// Resources of a static library must be registered by name from the global namespace.
static void InitEditResources() {
    Q_INIT_RESOURCE(edresources);
}

namespace fprn::editcontrols {

namespace {

constexpr std::array<const char*, 20> kDateWords = {
    "TODAY",    "YESTERDAY", "TOMORROW", "SUNDAY", "MONDAY", "TUESDAY", "WEDNESDAY",
    "THURSDAY", "FRIDAY",    "SATURDAY", "FIRST",  "SECOND", "THIRD",   "FOURTH",
    "FIFTH",    "SIXTH",     "SEVENTH",  "BOM",    "EOM",    "NOW"};

constexpr std::array<TTimeFormat, 3> kTimeFormats = {
    {{"hh:nn:ss", "00:00:00;1;0"}, {"hh:nn", "00:00;1;0"}, {"hh", "00;1;0"}}};

constexpr std::array<const char*, 6> kToolBitmaps = {"EDTOOL_CUT",    "EDTOOL_COPY", "EDTOOL_PASTE",
                                                     "EDTOOL_DELETE", "EDTOOL_LOAD", "EDTOOL_SAVE"};

constexpr std::array<const char*, 8> kFieldBitmaps = {
    "EDINPLACE_BLOB_NULL", "EDINPLACE_BLOB", "EDINPLACE_MEMO_NULL", "EDINPLACE_MEMO",
    "EDINPLACE_PICT_NULL", "EDINPLACE_PICT", "EDINPLACE_OLE_NULL",  "EDINPLACE_OLE"};

// Re-reads the locale settings when the application hears of a locale change.
class LocaleWatcher : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == qApp && e->type() == QEvent::LocaleChange &&
            LocaleSettings::FollowsLocaleChanges())
            LocaleSettings::Refresh();
        return false;
    }
};

struct Library {
    std::unique_ptr<LocaleWatcher> localeWatcher;
    QSize checkBoxSize;
    QString invalidDate;
    TImageList toolImages;
    std::array<TToolCaption, 7> toolCaptions;
    QPainter canvas;
    TImageList fieldImages;
    std::array<QString, 3> dialogCaptions;
    std::array<QString, 6> menuCaptions;
    std::unique_ptr<TCheckEditStyleController> checkController;
    std::array<QString, 20> dateWords;
    QPixmap sharedBitmap;
    QString error;
    QString today;
    QString clear;
    int firstDayOfWeek = 0;
};

int gStarts = 0;
std::unique_ptr<Library> gLibrary;

std::map<int, QCursor>& Cursors() {
    static std::map<int, QCursor> cursors;
    return cursors;
}

QString Str(int id) {
    return QString::fromStdString(EditResourceString(id));
}

QImage Bitmap(const char* name) {
    return QImage(QStringLiteral(":/editcontrols/") + QLatin1String(name) + QStringLiteral(".xpm"));
}

// Before start-up (or after the end) the resources read empty.
Library& Lib() {
    static Library empty;
    return gLibrary ? *gLibrary : empty;
}

} // namespace

void RegisterScreenCursor(int index, const QCursor& cursor) {
    Cursors()[index] = cursor;
}

void UnregisterScreenCursor(int index) {
    Cursors().erase(index);
}

QCursor ScreenCursor(int index) {
    const auto it = Cursors().find(index);
    return it != Cursors().end() ? it->second : QCursor(Qt::ArrowCursor);
}

void TImageList::AddMasked(const QImage& image, QColor mask) {
    if (image.isNull()) return;
    if (fImages.empty()) fSize = image.size();
    QImage img = image.convertToFormat(QImage::Format_ARGB32);
    if (!mask.isValid()) mask = img.pixelColor(0, img.height() - 1);
    const QRgb key = mask.rgb() & 0xFFFFFF;
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if ((line[x] & 0xFFFFFF) == key) line[x] = 0;
    }
    if (img.size() != fSize) img = img.copy(0, 0, fSize.width(), fSize.height());
    fImages.push_back(QPixmap::fromImage(img));
}

TCheckEditStyleController::TCheckEditStyleController() {
    SetBorderStyle(xbsNone);
    SetButtonStyle(bts3D);
}

void TCheckEditStyleController::RestoreDefaults() {
    BeginUpdate();
    struct TEnd {
        TStyleController* c;
        ~TEnd() { c->EndUpdate(); }
    } end{this};
    TEditStyleController::RestoreDefaults();
    SetBorderStyle(xbsNone);
    SetButtonStyle(bts3D);
}

void StartEditLibrary() {
    if (gStarts++ > 0) return;
    InitEditResources();
    // The application object has set the process locale from the environment by now.
    LocaleSettings::Refresh();
    StartEditStyles();
    auto lib = std::make_unique<Library>();
    lib->localeWatcher = std::make_unique<LocaleWatcher>();
    if (qApp != nullptr) qApp->installEventFilter(lib->localeWatcher.get());

    // Check box: the style's indicator stands in for the system check-box bitmap.
    const QStyle* style = QApplication::style();
    lib->checkBoxSize = style ? QSize(style->pixelMetric(QStyle::PM_IndicatorWidth),
                                      style->pixelMetric(QStyle::PM_IndicatorHeight))
                              : QSize(13, 13);

    const QImage hand(QStringLiteral(":/editcontrols/ED_HANDPOINT.xpm"));
    RegisterScreenCursor(crEdHandPoint, QCursor(QPixmap::fromImage(hand), 5, 0));

    lib->invalidDate = Str(kStrInvalidDate);

    for (const char* name : kToolBitmaps) lib->toolImages.AddMasked(Bitmap(name), QColor());
    for (int i = 0; i < 6; ++i)
        lib->toolCaptions[static_cast<std::size_t>(i)] = {Str(kStrToolCut + i),
                                                          Str(kStrToolHintCut + i)};
    for (const char* name : kFieldBitmaps)
        lib->fieldImages.AddMasked(Bitmap(name), QColor(128, 128, 0));

    for (int i = 0; i < 3; ++i)
        lib->dialogCaptions[static_cast<std::size_t>(i)] = Str(kStrDialogOK + i);
    for (int i = 0; i < 6; ++i)
        lib->menuCaptions[static_cast<std::size_t>(i)] = Str(kStrMenuCut + i);

    lib->checkController = std::make_unique<TCheckEditStyleController>();

    for (int i = 0; i < 20; ++i) {
        const QString word = Str(kStrDateToday + i);
        lib->dateWords[static_cast<std::size_t>(i)] =
            word.isEmpty() ? QString::fromLatin1(kDateWords[static_cast<std::size_t>(i)]) : word;
    }

    lib->sharedBitmap = QPixmap(1, 1);
    lib->error = Str(kStrError);
    lib->today = Str(kStrToday);
    lib->clear = Str(kStrClear);
    lib->firstDayOfWeek = FirstDayOfWeek(LocaleSettings::Current().firstDayOfWeekValue);
    gLibrary = std::move(lib);
}

void EndEditLibrary() {
    if (gStarts == 0 || --gStarts > 0) return;
    gLibrary.reset();
    UnregisterScreenCursor(crEdHandPoint);
    EndEditStyles();
}

bool EditLibraryStarted() {
    return gLibrary != nullptr;
}

QSize CheckBoxSize() {
    return Lib().checkBoxSize;
}

QString InvalidDateText() {
    return Lib().invalidDate;
}

const TImageList& ToolImages() {
    return Lib().toolImages;
}

const TImageList& FieldImages() {
    return Lib().fieldImages;
}

TToolCaption ToolCaption(int index) {
    if (index < 0 || index >= 7) return {};
    return Lib().toolCaptions[static_cast<std::size_t>(index)];
}

QString DialogCaption(int index) {
    if (index < 0 || index >= 3) return {};
    return Lib().dialogCaptions[static_cast<std::size_t>(index)];
}

QString MenuCaption(int index) {
    if (index < 0 || index >= 6) return {};
    return Lib().menuCaptions[static_cast<std::size_t>(index)];
}

QPainter& SharedCanvas() {
    return Lib().canvas;
}

TCheckEditStyleController* DefaultCheckEditStyleController() {
    return gLibrary ? gLibrary->checkController.get() : nullptr;
}

QString DateWord(int index) {
    if (index < 0 || index >= 20) return {};
    if (!gLibrary) return QString::fromLatin1(kDateWords[static_cast<std::size_t>(index)]);
    return gLibrary->dateWords[static_cast<std::size_t>(index)];
}

TTimeFormat TimeFormat(int index) {
    if (index < 0 || index >= 3) return {"", ""};
    return kTimeFormats[static_cast<std::size_t>(index)];
}

const QPixmap& SharedBitmap() {
    return Lib().sharedBitmap;
}

QString ErrorCaption() {
    return Lib().error;
}

QString TodayCaption() {
    return Lib().today;
}

QString ClearCaption() {
    return Lib().clear;
}

int FirstDayOfWeek() {
    return Lib().firstDayOfWeek;
}

} // namespace fprn::editcontrols
