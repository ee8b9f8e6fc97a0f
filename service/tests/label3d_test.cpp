#include "label3d.h"

#include <QApplication>
#include <QImage>
#include <gtest/gtest.h>
#include <set>
#include <utility>

using fprn::TLabel3D;

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "label3d_tests";
        static char* argv[] = {name, nullptr};
        app_ = new QApplication(argc, argv);
    }
    void TearDown() override { delete app_; }

private:
    QApplication* app_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const qtEnv =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

const QColor Background(0, 0, 255);
const QColor Ink(0, 0, 0);
const QColor Shadow(255, 0, 0);
const QColor Gray(128, 128, 128);

using Mask = std::set<std::pair<int, int>>;

// A label with plain, unsmoothed colours so that every pixel is one of the chosen ones.
void Prepare(TLabel3D& label, const QString& caption) {
    QFont f("DejaVu Sans");
    f.setPixelSize(20);
    f.setBold(true);
    f.setStyleStrategy(QFont::NoAntialias);
    label.setFont(f);
    QPalette pal = label.palette();
    pal.setColor(QPalette::Window, Background);
    pal.setColor(QPalette::WindowText, Ink);
    pal.setColor(QPalette::Disabled, QPalette::WindowText, Gray);
    label.setPalette(pal);
    label.setText(caption);
    label.setGeometry(0, 0, 200, 60);
    label.SetShadowColor(Shadow);
}

QImage Render(TLabel3D& label, const QColor& under = Qt::green) {
    QImage image(label.size(), QImage::Format_RGB32);
    image.fill(under);
    label.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}

Mask PixelsOf(const QImage& image, const QColor& color) {
    Mask m;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == color) m.insert({x, y});
    return m;
}

Mask Shifted(const Mask& m, int dx, int dy, const QSize& size) {
    Mask out;
    for (auto [x, y] : m)
        if (x + dx < size.width() && y + dy < size.height()) out.insert({x + dx, y + dy});
    return out;
}

} // namespace

TEST(Label3DTest, CreationGrowsByOnePixelAndDefaultsShadowToHighlight) {
    QLabel plain;
    TLabel3D label;
    EXPECT_EQ(label.size(), plain.size() + QSize(1, 1));
    EXPECT_EQ(label.ShadowColor(), label.palette().color(QPalette::Light));
    EXPECT_FALSE(label.Transparent());
    EXPECT_TRUE(label.ShowAccelChar());
    TLabel3D sized("Status:");
    EXPECT_EQ(sized.sizeHint(), QLabel("Status:").sizeHint() + QSize(1, 1));
}

TEST(Label3DTest, ShadowIsTheCaptionOnePixelRightAndBelow) {
    TLabel3D label;
    Prepare(label, "Status:");
    // Text alone: shadow in the background colour.
    label.SetShadowColor(Background);
    Mask text = PixelsOf(Render(label), Ink);
    ASSERT_GT(text.size(), 50u);
    // Shadow alone: the caption in a see-through colour.
    label.SetShadowColor(Shadow);
    QPalette pal = label.palette();
    pal.setColor(QPalette::WindowText, Qt::transparent);
    label.setPalette(pal);
    Mask shadow = PixelsOf(Render(label), Shadow);
    EXPECT_EQ(shadow, Shifted(text, 1, 1, label.size()));

    // Both: the caption on top, the shadow where the caption leaves it uncovered.
    pal.setColor(QPalette::WindowText, Ink);
    label.setPalette(pal);
    QImage both = Render(label);
    EXPECT_EQ(PixelsOf(both, Ink), text);
    Mask visibleShadow;
    for (auto p : shadow)
        if (!text.count(p)) visibleShadow.insert(p);
    EXPECT_EQ(PixelsOf(both, Shadow), visibleShadow);
    EXPECT_EQ(PixelsOf(both, Qt::green).size(), 0u);
}

TEST(Label3DTest, DisabledLabelDrawsGrayOverShadow) {
    TLabel3D label;
    Prepare(label, "Connect");
    label.SetShadowColor(Background);
    Mask text = PixelsOf(Render(label), Ink);
    label.SetShadowColor(Shadow);
    label.setEnabled(false);
    QImage image = Render(label);
    EXPECT_EQ(PixelsOf(image, Gray), text);
    EXPECT_TRUE(PixelsOf(image, Ink).empty());
    EXPECT_FALSE(PixelsOf(image, Shadow).empty());
}

TEST(Label3DTest, TransparentLabelKeepsWhatLiesBeneath) {
    TLabel3D label;
    Prepare(label, "Status:");
    label.SetTransparent(true);
    QImage image = Render(label, Qt::green);
    EXPECT_TRUE(PixelsOf(image, Background).empty());
    EXPECT_FALSE(PixelsOf(image, Qt::green).empty());
    EXPECT_FALSE(PixelsOf(image, Shadow).empty());
    EXPECT_FALSE(PixelsOf(image, Ink).empty());
    label.SetTransparent(false);
    EXPECT_TRUE(PixelsOf(Render(label, Qt::green), Qt::green).empty());
}

TEST(Label3DTest, AcceleratorIsUnderlinedInBothPassesOrDrawnAsIs) {
    TLabel3D label;
    Prepare(label, "W");
    Mask plainText = PixelsOf(Render(label), Ink);
    Mask plainShadow = PixelsOf(Render(label), Shadow);

    label.setText("&W");
    QImage accel = Render(label);
    Mask accelText = PixelsOf(accel, Ink);
    // The same letter, plus an underline below it in both colours.
    for (auto p : plainText) EXPECT_TRUE(accelText.count(p));
    EXPECT_GT(accelText.size(), plainText.size());
    int lowestPlain = 0, lowestAccel = 0;
    for (auto [x, y] : plainText) lowestPlain = std::max(lowestPlain, y);
    for (auto [x, y] : accelText) lowestAccel = std::max(lowestAccel, y);
    EXPECT_GT(lowestAccel, lowestPlain);
    EXPECT_GT(PixelsOf(accel, Shadow).size(), plainShadow.size());

    label.SetShowAccelChar(false);
    Mask literal = PixelsOf(Render(label), Ink);
    int leftmostLiteral = 1000, leftmostPlain = 1000;
    for (auto [x, y] : literal) leftmostLiteral = std::min(leftmostLiteral, x);
    for (auto [x, y] : plainText) leftmostPlain = std::min(leftmostPlain, x);
    // The "&" comes first, so the "W" moves right and the ink starts where the "&" does.
    EXPECT_GT(literal.size(), plainText.size());
    EXPECT_NE(literal, accelText);
    EXPECT_LE(leftmostLiteral, leftmostPlain);
}

TEST(Label3DTest, LongCaptionBreaksAtWordsWithoutWordWrap) {
    TLabel3D label;
    Prepare(label, "Download Program");
    label.setWordWrap(false);
    label.setGeometry(0, 0, 110, 60);
    Mask text = PixelsOf(Render(label), Ink);
    int lineHeight = QFontMetrics(label.font()).height();
    int below = 0;
    for (auto [x, y] : text)
        if (y >= lineHeight) ++below;
    EXPECT_GT(below, 20);

    label.setGeometry(0, 0, 300, 60);
    for (auto [x, y] : PixelsOf(Render(label), Ink)) EXPECT_LT(y, lineHeight);
}

TEST(Label3DTest, AlignmentMovesTheCaption) {
    TLabel3D label;
    Prepare(label, "OK");
    auto leftmost = [&] {
        int m = 1000;
        for (auto [x, y] : PixelsOf(Render(label), Ink)) m = std::min(m, x);
        return m;
    };
    label.setAlignment(Qt::AlignLeft);
    int left = leftmost();
    label.setAlignment(Qt::AlignHCenter);
    int centre = leftmost();
    label.setAlignment(Qt::AlignRight);
    int right = leftmost();
    EXPECT_LT(left, 5);
    EXPECT_GT(centre, left + 40);
    EXPECT_GT(right, centre + 40);
}
