// The base edit as a widget, offscreen: focus entry and exit with validation, Escape, read-only
// keys, hot tracking, shape and the painted border; the edit text painter.
#include "drawedittext.h"
#include "inplaceedit.h"
#include "syscolors.h"
#include "widgettest.h"

#include <QClipboard>
#include <QImage>
#include <QInputMethodEvent>
#include <QPainter>

namespace fprn::editcontrols {
namespace {

using test::Hooks;
using test::Settle;
using test::State;

[[maybe_unused]] ::testing::Environment* const gQtEnv =
    ::testing::AddGlobalTestEnvironment(new test::QtEnvironment);

// An edit with its own edit window, as the text edit will be: typing marks it modified.
class TestEdit : public TInplaceEdit {
public:
    explicit TestEdit(QWidget* parent = nullptr, bool standalone = false)
        : TInplaceEdit(parent), fStandalone(standalone) {
        connect(this, &QLineEdit::textEdited, this, [this] {
            SetModified(true);
            Change();
        });
        UpdateShape();
    }
    bool HasEditWindow() const override { return true; }
    bool IsInplace() const override { return !fStandalone; }
    using TInplaceEdit::ClearMessage;
    using TInplaceEdit::CutMessage;
    using TInplaceEdit::PostPasteMessage;

private:
    bool fStandalone;
};

using Form = test::TwoEdits<TestEdit>;

const std::string kRefused = "Invalid input value. Use escape key to abandon changes";

TEST(InplaceEditWidget, NewEditAndStoredProperties) {
    TInplaceEdit edit;
    EXPECT_EQ(edit.size(), QSize(121, 21));
    EXPECT_TRUE(edit.focusPolicy() & Qt::TabFocus);
    EXPECT_TRUE(edit.Style().AssignedValues().Empty());
    EXPECT_FALSE(edit.Active());
    EXPECT_FALSE(edit.GetModified());
    EXPECT_EQ(edit.contentsRect(), QRect(2, 2, 117, 17));
    EXPECT_TRUE(edit.mask().isEmpty());
    EXPECT_FALSE(edit.AutoSize()) << "the base edit answers in-place, so it never auto-sizes";
    EXPECT_EQ(edit.StoredValues(), 0);
    edit.SetReadOnly(false);
    EXPECT_EQ(edit.StoredValues(), kStoredReadOnly);
    edit.SetAlignment(taRightJustify);
    EXPECT_EQ(edit.StoredValues(), kStoredReadOnly | kStoredAlignment);
    EXPECT_TRUE(edit.alignment() & Qt::AlignRight);
    edit.RestoreDefaults();
    EXPECT_EQ(edit.StoredValues(), 0);
    EXPECT_EQ(edit.Alignment(), taLeftJustify);
    EXPECT_TRUE(edit.alignment() & Qt::AlignLeft);
}

TEST(InplaceEditWidget, LeavingUnmodifiedRefusedAndAccepted) {
    Hooks h;
    Form w;
    h.Watch(w.a, "a");
    h.Watch(w.b, "b");
    bool accept = false;
    w.a->OnValidate = [&](TInplaceEdit* sender, std::string&, bool& ok) {
        h.Log(sender == w.a ? "validate a" : "validate ?");
        ok = accept;
    };
    EXPECT_EQ(State(*w.a), "focus active ''");
    // Unmodified: leaves without asking.
    w.Focus(w.b, Qt::MouseFocusReason);
    EXPECT_EQ(h.Events(), "exit a, enter b");
    EXPECT_EQ(State(*w.a), "''");
    EXPECT_EQ(State(*w.b), "focus active ''");
    // Refused: beeps, reports the text and keeps the focus; b neither enters nor activates.
    w.Focus(w.a);
    QTest::keyClicks(w.a, "5");
    w.Focus(w.b, Qt::MouseFocusReason);
    EXPECT_EQ(h.Events(), "exit b, enter a, validate a, beep, error " + kRefused);
    EXPECT_EQ(State(*w.a), "focus active modified '5'");
    EXPECT_EQ(State(*w.b), "''");
    // Escape brings back the text of the entry; then leaving passes without asking.
    QTest::keyClick(w.a, Qt::Key_Escape);
    EXPECT_EQ(State(*w.a), "focus active ''");
    QTest::keyClick(w.a, Qt::Key_Tab);
    Settle();
    EXPECT_EQ(h.Events(), "exit a, enter b");
    // Modified and accepted: asked once, leaves.
    w.Focus(w.a);
    accept = true;
    QTest::keyClicks(w.a, "12");
    QTest::keyClick(w.a, Qt::Key_Tab);
    Settle();
    EXPECT_EQ(h.Events(), "exit b, enter a, validate a, exit a, enter b");
    EXPECT_FALSE(w.a->Active());
    EXPECT_TRUE(w.b->hasFocus() && w.b->Active());
}

TEST(InplaceEditWidget, RefusalWithEmptyTextReportsAnEmptyMessage) {
    Hooks hooks;
    Form w;
    w.a->OnValidate = [](TInplaceEdit*, std::string& text, bool& accept) {
        text.clear();
        accept = false;
    };
    QTest::keyClicks(w.a, "x");
    try {
        w.a->ValidateEdit();
        ADD_FAILURE() << "not refused";
    } catch (const EEditInvalidInput& e) {
        EXPECT_STREQ(e.what(), "");
    }
    EXPECT_EQ(hooks.beeps, 1);
}

TEST(InplaceEditWidget, TwoRefusingEditsDoNotPlayPingPong) {
    Hooks hooks;
    Form w;
    for (TestEdit* e : {w.a, w.b})
        e->OnValidate = [](TInplaceEdit*, std::string&, bool& accept) { accept = false; };
    // b carries a refused value from before.
    w.b->setText("9");
    w.b->SetModified(true);
    QTest::keyClicks(w.a, "1");
    w.Focus(w.b, Qt::TabFocusReason);
    Settle();
    EXPECT_TRUE(w.a->hasFocus());
    EXPECT_EQ(hooks.Events(), "beep, error " + kRefused);
}

TEST(InplaceEditWidget, RefusedEditThatCannotTakeTheFocusBackLetsTheOtherEnter) {
    Hooks hooks;
    Form w;
    int bEnters = 0;
    w.a->OnValidate = [&](TInplaceEdit*, std::string&, bool& accept) {
        accept = false;
        w.a->setEnabled(false); // e.g. a handler that locks the field
    };
    w.b->OnEnter = [&](TInplaceEdit*) { ++bEnters; };
    QTest::keyClicks(w.a, "8");
    w.Focus(w.b, Qt::TabFocusReason);
    EXPECT_TRUE(w.b->hasFocus());
    EXPECT_EQ(bEnters, 1);
    EXPECT_TRUE(w.b->Active());
    EXPECT_EQ(hooks.errors.size(), 1u);
}

TEST(InplaceEditWidget, DeactivationPopupsAndFocusMovesInTheExitCheckDoNotValidate) {
    Hooks hooks;
    Form w;
    int validated = 0;
    w.a->OnValidate = [&](TInplaceEdit*, std::string&, bool& accept) {
        ++validated;
        accept = false;
    };
    QTest::keyClicks(w.a, "3");
    for (Qt::FocusReason reason : {Qt::ActiveWindowFocusReason, Qt::PopupFocusReason}) {
        QFocusEvent out(QEvent::FocusOut, reason);
        QApplication::sendEvent(w.a, &out);
        QFocusEvent in(QEvent::FocusIn, reason);
        QApplication::sendEvent(w.a, &in);
    }
    EXPECT_EQ(validated, 0);
    EXPECT_TRUE(w.a->Active());
    EXPECT_EQ(w.a->Activation().PreviousText(), "") << "still the record of the entry";

    // A handler that bounces the focus around while the exit runs starts no second exit.
    w.a->OnValidate = [&](TInplaceEdit*, std::string&, bool&) {
        ++validated;
        w.a->setFocus(Qt::OtherFocusReason);
        w.b->setFocus(Qt::OtherFocusReason);
    };
    w.Focus(w.b, Qt::TabFocusReason);
    EXPECT_EQ(validated, 1);
    EXPECT_TRUE(hooks.errors.empty());
}

TEST(InplaceEditWidget, FocusAndMouseMakeTheEditHot) {
    Form w;
    TestEdit& e = *w.b;
    e.Style().SetBorderStyle(xbsSingle);
    e.Style().SetHotTrack(true);
    int entered = 0, left = 0;
    e.OnMouseEnter = [&](TInplaceEdit*) { ++entered; };
    e.OnMouseLeave = [&](TInplaceEdit*) { ++left; };
    auto style = [&] { return e.CreateViewData(false)->BorderStyle; };
    const QRect frame(1, 1, 119, 19);
    EXPECT_EQ(style(), xbsSingle);
    EXPECT_EQ(e.mask().boundingRect(), frame);
    // Raised to thick: two pixels on all sides, the whole window.
    w.Focus(&e);
    EXPECT_EQ(style(), xbsThick);
    EXPECT_TRUE(e.mask().isEmpty());
    w.Focus(w.a);
    EXPECT_EQ(style(), xbsSingle);
    EXPECT_EQ(e.mask().boundingRect(), frame);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&e, &enter);
    EXPECT_TRUE(e.Hot());
    EXPECT_EQ(style(), xbsThick);
    EXPECT_TRUE(e.mask().isEmpty());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&e, &leave);
    EXPECT_FALSE(e.Hot());
    EXPECT_EQ(style(), xbsSingle);
    EXPECT_EQ(e.mask().boundingRect(), frame);
    EXPECT_EQ(entered, 1);
    EXPECT_EQ(left, 1);
}

TEST(InplaceEditWidget, KeysEscapeReadOnlyAndKeyEvents) {
    Form w;
    TestEdit* e = w.a;
    // Escape on an unmodified edit changes nothing and never reaches the key-press event.
    int pressed = 0;
    e->OnKeyPress = [&](TInplaceEdit*, QChar& key) {
        ++pressed;
        if (key == QChar(',')) key = QChar('.');
        if (key == QChar('q')) key = QChar();
    };
    e->setText("abcd");
    QTest::keyClick(e, Qt::Key_Escape);
    EXPECT_EQ(e->text(), "abcd");
    EXPECT_EQ(pressed, 0);
    // Read-only drops the editing keys but not the movement.
    e->SetReadOnly(true);
    e->setCursorPosition(2);
    QTest::keyClick(e, Qt::Key_Backspace);
    QTest::keyClick(e, Qt::Key_Delete);
    QTest::keyClick(e, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(e, Qt::Key_Insert, Qt::ShiftModifier);
    QTest::keyClick(e, Qt::Key_X, Qt::ControlModifier);
    QTest::keyClicks(e, "zz");
    EXPECT_EQ(e->text(), "abcd");
    EXPECT_FALSE(e->GetModified());
    QTest::keyClick(e, Qt::Key_Left);
    EXPECT_EQ(e->cursorPosition(), 1);
    e->SetReadOnly(false);
    QTest::keyClick(e, Qt::Key_Delete);
    EXPECT_EQ(e->text(), "acd");
    // The key events may drop or change keys; a replaced key acts as the new key.
    e->setText("");
    e->OnKeyDown = [](TInplaceEdit*, int& key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_Home) key = 0;
        if (key == Qt::Key_End) key = Qt::Key_Left;
    };
    QTest::keyClicks(e, "1,q5");
    EXPECT_EQ(e->text(), "1.5");
    QTest::keyClick(e, Qt::Key_Home);
    EXPECT_EQ(e->cursorPosition(), 3);
    QTest::keyClick(e, Qt::Key_End);
    EXPECT_EQ(e->cursorPosition(), 2);
    EXPECT_EQ(e->text(), "1.5");
}

TEST(InplaceEditWidget, ClipboardCompositionAndHandlerErrors) {
    Hooks hooks;
    Form w;
    TestEdit& p = *w.b;
    QApplication::clipboard()->setText("77");
    p.setText("abc");
    p.selectAll();
    p.SetReadOnly(true);
    p.CutMessage();
    p.ClearMessage();
    p.PostPasteMessage();
    QInputMethodEvent commit;
    commit.setCommitString("x");
    QApplication::sendEvent(&p, &commit);
    Settle();
    EXPECT_EQ(p.text(), "abc");
    p.SetReadOnly(false);
    QApplication::sendEvent(&p, &commit);
    EXPECT_EQ(p.text(), "x");
    p.selectAll();
    p.ClearMessage();
    EXPECT_EQ(p.text(), "");
    p.PostPasteMessage();
    Settle();
    EXPECT_EQ(p.text(), "77");
    // An exception from a handler is reported, not thrown.
    w.a->OnChange = [](TInplaceEdit*) { throw std::runtime_error("handler failed"); };
    QTest::keyClicks(w.a, "1");
    Settle();
    EXPECT_EQ(hooks.errors, std::vector<std::string>{"handler failed"});
}

TEST(InplaceEditWidget, ShapeFollowsFontShadowAndController) {
    TestEdit edit(nullptr, true);
    const int fontHeight = QFontMetrics(edit.font()).height();
    EXPECT_EQ(edit.height(), fontHeight + 8);
    edit.Style().SetShadow(true);
    EXPECT_EQ(edit.height(), fontHeight + 10);
    EXPECT_EQ(edit.width(), 121);
    QFont big = edit.font();
    big.setPixelSize(30);
    edit.setFont(big);
    EXPECT_EQ(edit.height(), QFontMetrics(big).height() + 10);
    edit.SetAutoSize(false);
    edit.resize(121, 40);
    EXPECT_EQ(edit.height(), 40);
    // A freed controller leaves the edit with the default one.
    TestEdit owned;
    auto ctrl = std::make_unique<TEditStyleController>();
    ctrl->SetBorderStyle(xbsNone);
    owned.SetStyleController(ctrl.get());
    EXPECT_EQ(owned.mask().boundingRect(), QRect(2, 2, 117, 17));
    ctrl.reset();
    EXPECT_EQ(owned.StyleController(), nullptr);
    EXPECT_TRUE(owned.mask().isEmpty());
}

// ---- painting ----

QPalette DistinctPalette() {
    QPalette pal;
    pal.setColor(QPalette::Base, QColor(250, 250, 240));
    pal.setColor(QPalette::Text, QColor(10, 10, 10));
    pal.setColor(QPalette::Button, QColor(200, 190, 180));
    pal.setColor(QPalette::Dark, QColor(120, 110, 100));
    pal.setColor(QPalette::Light, QColor(255, 255, 255));
    pal.setColor(QPalette::Midlight, QColor(230, 220, 210));
    pal.setColor(QPalette::Shadow, QColor(20, 30, 40));
    pal.setColor(QPalette::Window, QColor(255, 0, 255));
    return pal;
}

struct PaintCase {
    TEditBorderStyle style;
    TEditEdges edges;
    bool shadow;
    bool enabled = true;
    bool hot = false; // mouse inside, hot tracking on
};

// Renders the edit on a magenta parent and checks every pixel: outside the region the parent,
// on a fill its colour, inside the content the content brush.
void CheckPaintedEdit(const PaintCase& c) {
    QWidget parent;
    parent.setPalette(DistinctPalette());
    parent.setAutoFillBackground(true);
    parent.resize(140, 40);
    TInplaceEdit edit(&parent);
    edit.move(5, 5);
    edit.Style().SetBorderStyle(c.style);
    edit.Style().SetEdges(c.edges);
    edit.Style().SetShadow(c.shadow);
    edit.Style().SetBorderColor(0x0000C0); // dark red
    edit.setEnabled(c.enabled);
    if (c.hot) {
        edit.Style().SetHotTrack(true);
        QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
        QApplication::sendEvent(&edit, &enter);
    }
    QImage image(parent.size(), QImage::Format_RGB32);
    parent.render(&image);

    const auto data = edit.CreateViewData(true);
    EXPECT_EQ(data->BorderStyle, HotBorderStyle(c.style, c.hot, true));
    const TEditViewInfo info = edit.CalcViewInfo(*data, false);
    const auto region = BorderRegion(info);
    const auto fills = BorderFills(info, data->Border());
    const QPalette pal = edit.palette();
    const QColor content =
        c.enabled ? pal.color(QPalette::Active, QPalette::Base) : ToQColor(clBtnFace, pal);
    int mismatches = 0;
    for (int y = 0; y < info.Bounds.Bottom; ++y)
        for (int x = 0; x < info.Bounds.Right; ++x) {
            QColor want;
            if (!RegionContains(region, info.Bounds, x, y))
                want = QColor(255, 0, 255);
            else if (auto fill = FillColorAt(fills, x, y))
                want = ToQColor(*fill, pal);
            else if (info.Content.Contains(x, y))
                want = content;
            else
                continue; // inside the region but painted by no one: not expected to exist
            const QColor got = image.pixelColor(x + 5, y + 5);
            if (got != want && ++mismatches <= 3)
                ADD_FAILURE() << "style " << int(c.style) << " edges " << int(c.edges.Bits())
                              << " shadow " << c.shadow << " hot " << c.hot << " at " << x << ","
                              << y << ": got " << got.name().toStdString() << " want "
                              << want.name().toStdString();
        }
    EXPECT_EQ(mismatches, 0);
}

TEST(InplaceEditPainting, PaintsWhatTheGeometrySays) {
    // Every edge subset once, each style with and without shadow.
    for (int bits = 0; bits < 16; ++bits)
        CheckPaintedEdit({static_cast<TEditBorderStyle>(bits % 5),
                          TEditEdges::FromBits(static_cast<std::uint8_t>(bits)), bits >= 8});
    // Every style hot, raised one step: all edges, or only the bottom one with shadow.
    for (int s = xbsNone; s <= xbs3D; ++s)
        CheckPaintedEdit({static_cast<TEditBorderStyle>(s),
                          s % 2 == 0 ? kAllEdges : TEditEdges{edgBottom}, s % 2 == 1, true, true});
    // Disabled: the content in the button face.
    CheckPaintedEdit({xbs3D, kAllEdges, false, false});
}

TEST(InplaceEditPainting, ColoursFromThePalette) {
    const QPalette pal = DistinctPalette();
    EXPECT_EQ(ToQColor(clBtnFace, pal), QColor(200, 190, 180));
    EXPECT_EQ(ToQColor(clBtnShadow, pal), QColor(120, 110, 100));
    EXPECT_EQ(ToQColor(clBtnHighlight, pal), QColor(255, 255, 255));
    EXPECT_EQ(ToQColor(clWindowFrame, pal), QColor(20, 30, 40));
    EXPECT_EQ(ToQColor(0x00336699, pal), QColor(0x99, 0x66, 0x33));
    TInplaceEdit edit;
    edit.setPalette(pal);
    edit.setEnabled(false);
    const auto data = edit.CreateViewData(true);
    EXPECT_EQ(data->BackgroundColor, QColor(200, 190, 180));
    EXPECT_EQ(data->TextColor, QColor(120, 110, 100));
}

// ---- the edit text painter ----

// A white image of `size` with `paint` done on it.
template <typename F> QImage Painted(QSize size, F paint) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    paint(p);
    p.end();
    return image;
}

// How many pixels of row `y` between x0 and x1 are not white.
int InkInRow(const QImage& image, int y, int x0, int x1) {
    int n = 0;
    for (int x = x0; x < x1; ++x) n += image.pixelColor(x, y) != QColor(Qt::white);
    return n;
}

QFont Font13() {
    QFont font;
    font.setPixelSize(13);
    return font;
}

TEST(EditTextPainter, MeasureOnlyReportsHeightsAndDrawsNothing) {
    const QFont font = Font13();
    const int h = QFontMetrics(font).height();
    int height = -1, needed = -1;
    const QImage image = Painted({100, 30}, [&](QPainter& p) {
        needed = DrawEditText(&p, "12.50", -1, QRect(0, 0, 100, 30), QRect(2, 2, 96, 21),
                              kDetMeasureOnly, QBrush(Qt::red), font, Qt::red, Qt::black, &height);
    });
    EXPECT_EQ(height, h);
    EXPECT_EQ(needed, h + (30 - 21));
    for (int y = 0; y < 30; ++y) ASSERT_EQ(InkInRow(image, y, 0, 100), 0) << y;
    EXPECT_EQ(DrawEditText(nullptr, "", -1, QRect(0, 0, 10, 10), QRect(0, 0, 10, 10),
                           kDetMeasureOnly, QBrush(), font, Qt::red, Qt::black, &height),
              0);
    EXPECT_EQ(height, 0);
}

TEST(EditTextPainter, ShadowFocusFrameAndClipping) {
    // The shadow: strips along the bottom and the right.
    QImage image = Painted(
        {20, 10}, [](QPainter& p) { PaintEditShadow(p, QRect(2, 2, 18, 8), 2, QBrush(Qt::blue)); });
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool strip = (y >= 8 && x >= 2) || (x >= 18 && y >= 2);
            EXPECT_EQ(image.pixelColor(x, y), strip ? QColor(Qt::blue) : QColor(Qt::white))
                << x << "," << y;
        }

    // The focus frame goes around the text rectangle grown by one pixel: rows 4 and 25; an
    // empty text with the text-only flag gets no frame at all.
    const QFont font = Font13();
    auto framed = [&](const QString& text, std::uint16_t flags) {
        return Painted({100, 40}, [&](QPainter& p) {
            DrawEditText(&p, text, -1, QRect(0, 0, 100, 40), QRect(10, 5, 60, 20),
                         flags | kDetTransparent, QBrush(Qt::white), font, Qt::white, Qt::black);
        });
    };
    image = framed("ab", kDetFocusRect);
    EXPECT_GT(InkInRow(image, 4, 9, 71), 10);
    EXPECT_GT(InkInRow(image, 25, 9, 71), 10);
    EXPECT_EQ(InkInRow(image, 3, 0, 100), 0);
    image = framed("", kDetFocusRect | kDetFocusTextOnly | kDetWordWrap);
    for (int y = 0; y < 40; ++y) EXPECT_EQ(InkInRow(image, y, 0, 100), 0) << y;

    // A too-wide text is clipped to the text rectangle: right of it the brush, left of it the
    // background, ink inside.
    const QString wide = "WWWWWWWWWWWWWWWWWWWW";
    ASSERT_GT(QFontMetrics(font).horizontalAdvance(wide), 40);
    image = Painted({100, 20}, [&](QPainter& p) {
        DrawEditText(&p, wide, -1, QRect(0, 0, 100, 20), QRect(10, 0, 40, 20), kDetRight,
                     QBrush(Qt::green), font, Qt::yellow, Qt::black);
    });
    EXPECT_EQ(image.pixelColor(70, 10), QColor(Qt::green));
    EXPECT_EQ(image.pixelColor(99, 0), QColor(Qt::green));
    EXPECT_EQ(image.pixelColor(2, 0), QColor(Qt::yellow));
    bool ink = false;
    for (int x = 10; x < 50; ++x)
        for (int y = 0; y < 20; ++y) ink = ink || image.pixelColor(x, y) == QColor(Qt::black);
    EXPECT_TRUE(ink);
}

} // namespace
} // namespace fprn::editcontrols
