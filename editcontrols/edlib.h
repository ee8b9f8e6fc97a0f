#pragma once
// Start and end of the edit library, and the resources it shares: captions, image lists, the
// hand cursor, date words and time constants. StartEditLibrary runs once per program, after the
// application object exists; starts and ends are counted, so only the first start and the last
// end do the work. The first start (re)reads the locale settings of the process, and while the
// library runs, a locale change reported to the application reads them again.
#include "editstyle.h"

#include <QColor>
#include <QCursor>
#include <QPixmap>
#include <QSize>
#include <QString>

#include <vector>

class QPainter;

namespace fprn::editcontrols {

void StartEditLibrary();
void EndEditLibrary();
bool EditLibraryStarted();

// Screen cursors by index, as the toolkit's cursor table; an unknown index gives the arrow.
inline constexpr int crEdHandPoint = -1140;
void RegisterScreenCursor(int index, const QCursor& cursor);
void UnregisterScreenCursor(int index);
QCursor ScreenCursor(int index);

// Images of one size; each added image loses the pixels of its mask colour.
class TImageList {
public:
    // The list takes the size of the first image added.
    QSize Size() const { return fSize; }
    int Count() const { return static_cast<int>(fImages.size()); }
    const QPixmap& Image(int index) const { return fImages.at(static_cast<std::size_t>(index)); }
    // An invalid mask colour stands for the toolkit's default: the image's bottom-left pixel.
    void AddMasked(const QImage& image, QColor mask);
    void Clear() { fImages.clear(); }

private:
    QSize fSize;
    std::vector<QPixmap> fImages;
};

// An edit-style controller whose defaults suit check boxes: no border, 3D buttons.
class TCheckEditStyleController : public TEditStyleController {
public:
    TCheckEditStyleController();
    void RestoreDefaults() override;
};

struct TToolCaption {
    QString Caption;
    QString Hint;
};

struct TTimeFormat {
    const char* DisplayFormat;
    const char* EditMask;
};

// Times of day as fractions of a day.
inline constexpr double kOneSecond = 1.0 / 86400;
inline constexpr double kOneMinute = 60.0 / 86400;
inline constexpr double kOneHour = 3600.0 / 86400;
inline constexpr double kZeroTime = 0;
inline constexpr double kMaxTime = 86399.0 / 86400; // 23:59:59

// The shared resources; valid between StartEditLibrary and EndEditLibrary.
QSize CheckBoxSize();
QString InvalidDateText();
const TImageList& ToolImages();
const TImageList& FieldImages();
TToolCaption ToolCaption(int index); // 0..6; the seventh is empty
QString DialogCaption(int index);    // 0 OK, 1 Cancel, 2 Close
QString MenuCaption(int index);      // 0..5
QPainter& SharedCanvas();            // not bound to a device
TCheckEditStyleController* DefaultCheckEditStyleController();
QString DateWord(int index);       // 0..19; the built-in words before start-up
TTimeFormat TimeFormat(int index); // 0 hh:nn:ss, 1 hh:nn, 2 hh
const QPixmap& SharedBitmap();
QString ErrorCaption();
QString TodayCaption();
QString ClearCaption();
// 0 Sunday, 1..6 Monday..Saturday, from the locale settings.
int FirstDayOfWeek();

} // namespace fprn::editcontrols
