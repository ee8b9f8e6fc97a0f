#include "label3d.h"
#include "qtapp.h"

#include <QImage>
#include <gtest/gtest.h>
#include <set>
#include <utility>

using fprn::TLabel3D;

namespace {

const QColor Background(0, 0, 255), Ink(0, 0, 0), Shadow(255, 0, 0), Gray(128, 128, 128);

using Mask = std::set<std::pair<int, int>>;

// Plain, unsmoothed colours, so that every pixel is one of the chosen ones.
void Prepare(TLabel3D& label, const QString& caption, const QColor& ink = Ink) {
    QFont f("DejaVu Sans");
    f.setPixelSize(20);
    f.setBold(true);
    f.setStyleStrategy(QFont::NoAntialias);
    label.setFont(f);
    QPalette pal = label.palette();
    pal.setColor(QPalette::Window, Background);
    pal.setColor(QPalette::WindowText, ink);
    pal.setColor(QPalette::Disabled, QPalette::WindowText, Gray);
    label.setPalette(pal);
    label.setText(caption);
    label.setGeometry(0, 0, 200, 60);
    label.SetShadowColor(Shadow);
}

// Rendered over green, which only a transparent label lets through.
Mask PixelsOf(TLabel3D& label, const QColor& color) {
    QImage image(label.size(), QImage::Format_RGB32);
    image.fill(Qt::green);
    label.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    Mask m;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == color) m.insert({x, y});
    return m;
}

int Leftmost(const Mask& m) {
    return m.empty() ? 1000 : m.begin()->first;
}

int Lowest(const Mask& m) {
    int low = 0;
    for (auto [x, y] : m) low = std::max(low, y);
    return low;
}

} // namespace

TEST(Label3DTest, ShadowIsTheCaptionOnePixelRightAndBelowAndStaysWhenDisabled) {
    TLabel3D label;
    // One pixel larger than a plain label each way, so that the shadow fits.
    EXPECT_EQ(label.size(), QLabel().size() + QSize(1, 1));
    EXPECT_EQ(TLabel3D("Status:").sizeHint(), QLabel("Status:").sizeHint() + QSize(1, 1));
    EXPECT_EQ(label.ShadowColor(), label.palette().color(QPalette::Light));
    Prepare(label, "Status:", Qt::transparent);
    Mask shadow = PixelsOf(label, Shadow);
    Prepare(label, "Status:");
    label.SetShadowColor(Background);
    Mask text = PixelsOf(label, Ink);
    ASSERT_GT(text.size(), 50u);
    Mask expected;
    for (auto [x, y] : text)
        if (x + 1 < label.width() && y + 1 < label.height()) expected.insert({x + 1, y + 1});
    EXPECT_EQ(shadow, expected);

    // Both: the caption on top, the shadow where the caption leaves it uncovered.
    label.SetShadowColor(Shadow);
    Mask visibleShadow;
    for (auto p : shadow)
        if (!text.count(p)) visibleShadow.insert(p);
    EXPECT_EQ(PixelsOf(label, Ink), text);
    EXPECT_EQ(PixelsOf(label, Shadow), visibleShadow);
    EXPECT_TRUE(PixelsOf(label, Qt::green).empty());

    label.setEnabled(false);
    EXPECT_EQ(PixelsOf(label, Gray), text);
    EXPECT_TRUE(PixelsOf(label, Ink).empty());
    EXPECT_EQ(PixelsOf(label, Shadow), visibleShadow);
}

TEST(Label3DTest, TransparentLabelKeepsWhatLiesBeneath) {
    TLabel3D label;
    Prepare(label, "Status:");
    label.SetTransparent(true);
    EXPECT_TRUE(PixelsOf(label, Background).empty());
    EXPECT_FALSE(PixelsOf(label, Qt::green).empty());
    EXPECT_FALSE(PixelsOf(label, Shadow).empty());
    EXPECT_FALSE(PixelsOf(label, Ink).empty());
    label.SetTransparent(false);
    EXPECT_TRUE(PixelsOf(label, Qt::green).empty());
}

TEST(Label3DTest, AcceleratorIsUnderlinedInBothPassesOrDrawnAsIs) {
    TLabel3D label;
    Prepare(label, "W");
    Mask plainText = PixelsOf(label, Ink);
    std::size_t plainShadow = PixelsOf(label, Shadow).size();
    label.setText("&W");
    Mask accelText = PixelsOf(label, Ink);
    // The same letter, plus an underline below it in both colours.
    for (auto p : plainText) EXPECT_TRUE(accelText.count(p));
    EXPECT_GT(Lowest(accelText), Lowest(plainText));
    EXPECT_GT(PixelsOf(label, Shadow).size(), plainShadow);

    // Drawn as is, the "&" comes first and the "W" moves right.
    label.SetShowAccelChar(false);
    Mask literal = PixelsOf(label, Ink);
    EXPECT_GT(literal.size(), plainText.size());
    EXPECT_NE(literal, accelText);
    EXPECT_LE(Leftmost(literal), Leftmost(plainText));
}

TEST(Label3DTest, LongCaptionBreaksAtWordsWithoutWordWrapAndAlignmentMovesIt) {
    TLabel3D label;
    Prepare(label, "Download Program");
    label.setWordWrap(false);
    label.setGeometry(0, 0, 110, 60);
    int lineHeight = QFontMetrics(label.font()).height();
    int below = 0;
    for (auto [x, y] : PixelsOf(label, Ink)) below += y >= lineHeight;
    EXPECT_GT(below, 20);
    label.setGeometry(0, 0, 300, 60);
    EXPECT_LT(Lowest(PixelsOf(label, Ink)), lineHeight);

    Prepare(label, "OK");
    int left[3];
    const Qt::Alignment alignments[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    for (int i = 0; i < 3; ++i) {
        label.setAlignment(alignments[i]);
        left[i] = Leftmost(PixelsOf(label, Ink));
    }
    EXPECT_LT(left[0], 5);
    EXPECT_GT(left[1], left[0] + 40);
    EXPECT_GT(left[2], left[1] + 40);
}
