// The edit library: start and end, the shared resources (cursor, image lists, captions, the
// check-edit style controller) and the locale settings following the application. It also
// holds the application and the library start for all the extended widget tests.
#include "editstrings.h"
#include "edlib.h"
#include "localeinfo.h"
#include "widgettest.h"

#include <QEvent>
#include <QImage>

using namespace fprn::editcontrols;

namespace {

[[maybe_unused]] ::testing::Environment* const gEnvironment = ::testing::AddGlobalTestEnvironment(
    new test::QtEnvironment([] { StartEditLibrary(); }, [] { EndEditLibrary(); }));

TEST(EditLibrary, CountedStartAndTheHandCursor) {
    ASSERT_TRUE(EditLibraryStarted());
    StartEditLibrary();
    EndEditLibrary();
    EXPECT_TRUE(EditLibraryStarted()) << "the outer start still holds";
    const QCursor hand = ScreenCursor(crEdHandPoint);
    EXPECT_EQ(hand.shape(), Qt::BitmapCursor);
    EXPECT_EQ(hand.pixmap().size(), QSize(32, 32));
    EXPECT_EQ(ScreenCursor(12345).shape(), Qt::ArrowCursor);
}

TEST(EditLibrary, CheckEditStyleController) {
    TCheckEditStyleController* c = DefaultCheckEditStyleController();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->BorderStyle(), xbsNone);
    EXPECT_EQ(c->ButtonStyle(), bts3D);

    TCheckEditStyleController own;
    struct Link : TEditStyleLink {
        int told = 0;
        TEditStyleController* StyleController() const override { return nullptr; }
        void StyleChanged() override { ++told; }
        void StyleControllerFreed(TStyleController*) override {}
    } link;
    own.AddLink(&link);
    own.SetBorderStyle(xbs3D);
    own.SetShadow(true);
    link.told = 0;
    own.RestoreDefaults();
    EXPECT_EQ(link.told, 1) << "one notification for the whole reset";
    EXPECT_EQ(own.BorderStyle(), xbsNone);
    EXPECT_EQ(own.ButtonStyle(), bts3D);
    EXPECT_FALSE(own.Shadow());
    own.RemoveLink(&link);
}

TEST(EditLibrary, ImageListsTakeTheFirstSizeAndMaskTheirColour) {
    const TImageList& tools = ToolImages();
    ASSERT_EQ(tools.Count(), 6);
    EXPECT_EQ(tools.Size(), QSize(16, 16));
    const QImage cut = tools.Image(0).toImage();
    EXPECT_EQ(qAlpha(cut.pixel(0, 15)), 0) << "the bottom-left colour is the mask";
    int opaque = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) opaque += qAlpha(cut.pixel(x, y)) != 0;
    EXPECT_GT(opaque, 10);
    ASSERT_EQ(FieldImages().Count(), 8);
    EXPECT_EQ(qAlpha(FieldImages().Image(1).toImage().pixel(0, 0)), 0) << "olive is the mask";

    TImageList list;
    QImage big(20, 10, QImage::Format_RGB32);
    big.fill(QColor(1, 2, 3));
    big.setPixelColor(5, 5, Qt::black);
    list.AddMasked(big, QColor(1, 2, 3));
    QImage small(8, 8, QImage::Format_RGB32);
    small.fill(Qt::white);
    list.AddMasked(small, QColor());
    EXPECT_EQ(list.Size(), QSize(20, 10));
    EXPECT_EQ(list.Image(1).size(), QSize(20, 10));
    EXPECT_EQ(qAlpha(list.Image(0).toImage().pixel(5, 5)), 255);
    EXPECT_EQ(qAlpha(list.Image(0).toImage().pixel(0, 0)), 0);
}

TEST(EditLibrary, CaptionsWordsAndTimes) {
    EXPECT_EQ(ToolCaption(0).Caption, "Cu&t");
    EXPECT_EQ(ToolCaption(4).Caption, "&Load...");
    EXPECT_EQ(ToolCaption(4).Hint, "Load from file...");
    EXPECT_EQ(ToolCaption(5).Caption, "&Save To...");
    EXPECT_EQ(ToolCaption(5).Hint, "Save to file...");
    EXPECT_TRUE(ToolCaption(6).Caption.isEmpty());
    EXPECT_EQ(DialogCaption(1), "&Cancel");
    EXPECT_EQ(MenuCaption(4), "&Save to file...");
    EXPECT_EQ(MenuCaption(5), "&Load from file...");
    EXPECT_EQ(InvalidDateText(), "Invalid Date");
    EXPECT_EQ(ErrorCaption(), "Error");
    EXPECT_EQ(TodayCaption(), "Today");
    EXPECT_EQ(ClearCaption(), "Clear");
    EXPECT_EQ(DateWord(0), "TODAY");
    EXPECT_EQ(DateWord(17), "BOM");
    EXPECT_EQ(DateWord(19), "NOW");
    EXPECT_TRUE(DateWord(20).isEmpty());
    EXPECT_EQ(EditResourceString(12), "");
    EXPECT_STREQ(TimeFormat(1).EditMask, "00:00;1;0");
    EXPECT_STREQ(TimeFormat(0).DisplayFormat, "hh:nn:ss");
    EXPECT_DOUBLE_EQ(kOneHour, 60 * kOneMinute);
    EXPECT_DOUBLE_EQ(kOneMinute, 60 * kOneSecond);
    EXPECT_DOUBLE_EQ(kMaxTime + kOneSecond, 1.0);
    EXPECT_EQ(kZeroTime, 0);
}

TEST(EditLibrary, ApplicationLocaleChangeReReadsTheSettings) {
    LocaleInfo odd;
    odd.decimalSeparator = "#";
    odd.thousandSeparator = "~";
    ScopedLocale scope(odd);
    QEvent change(QEvent::LocaleChange);
    LocaleSettings::SetFollowsLocaleChanges(false);
    QCoreApplication::sendEvent(qApp, &change);
    EXPECT_EQ(LocaleSettings::Current().decimalSeparator, "#");
    LocaleSettings::SetFollowsLocaleChanges(true);
    QCoreApplication::sendEvent(qApp, &change);
    EXPECT_EQ(LocaleSettings::Current(), ReadProcessLocale());
}

} // namespace
