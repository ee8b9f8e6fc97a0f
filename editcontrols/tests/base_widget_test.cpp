// The base edit as a widget, offscreen: focus entry and exit with validation, Escape, read-only
// keys, hot tracking, shape and the painted border.
#include "drawedittext.h"
#include "inplaceedit.h"
#include "syscolors.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QInputMethodEvent>
#include <QPainter>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace fprn::editcontrols {
namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (QApplication::instance() == nullptr)
            fApp = std::make_unique<QApplication>(fArgc, fArgv);
    }
    void TearDown() override { fApp.reset(); }

private:
    int fArgc = 1;
    char fName[16] = "base_widgets";
    char* fArgv[2] = {fName, nullptr};
    std::unique_ptr<QApplication> fApp;
};
[[maybe_unused]] ::testing::Environment* const gQtEnv =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

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

private:
    bool fStandalone;
};

// Counts beeps and error boxes for the duration of a test.
class Hooks {
public:
    Hooks() {
        fOldBeep = SetEditBeepHook([this] { ++beeps; });
        fOldError = SetEditErrorHook([this](const std::string& m) { errors.push_back(m); });
    }
    ~Hooks() {
        SetEditBeepHook(fOldBeep);
        SetEditErrorHook(fOldError);
    }
    int beeps = 0;
    std::vector<std::string> errors;

private:
    std::function<void()> fOldBeep;
    std::function<void(const std::string&)> fOldError;
};

// A window with two edits, shown and active.
struct TwoEdits {
    QWidget window;
    TestEdit* a;
    TestEdit* b;
    TwoEdits() {
        auto* layout = new QVBoxLayout(&window);
        a = new TestEdit(&window);
        b = new TestEdit(&window);
        layout->addWidget(a);
        layout->addWidget(b);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        a->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
    }
};

void Settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

TEST(InplaceEditWidget, NewEditIsStandaloneSizedTabStop) {
    TInplaceEdit edit;
    EXPECT_EQ(edit.size(), QSize(121, 21));
    EXPECT_TRUE(edit.focusPolicy() & Qt::TabFocus);
    EXPECT_TRUE(edit.Style().AssignedValues().Empty());
    EXPECT_FALSE(edit.Active());
    EXPECT_FALSE(edit.GetModified());
    EXPECT_EQ(edit.StoredValues(), 0);
    EXPECT_EQ(edit.contentsRect(), QRect(2, 2, 117, 17));
    EXPECT_TRUE(edit.mask().isEmpty());
}

TEST(InplaceEditWidget, PropertySettersRecordStoredValues) {
    TestEdit edit;
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

TEST(InplaceEditWidget, LeavingAcceptedEditDeactivatesIt) {
    Hooks hooks;
    TwoEdits w;
    ASSERT_TRUE(w.a->hasFocus());
    EXPECT_TRUE(w.a->Active());
    int validated = 0, exits = 0;
    w.a->OnValidate = [&](TInplaceEdit* sender, std::string&, bool&) {
        EXPECT_EQ(sender, w.a);
        ++validated;
    };
    w.a->OnExit = [&](TInplaceEdit*) { ++exits; };
    QTest::keyClicks(w.a, "12");
    EXPECT_TRUE(w.a->GetModified());
    QTest::keyClick(w.a, Qt::Key_Tab);
    Settle();
    EXPECT_TRUE(w.b->hasFocus());
    EXPECT_EQ(validated, 1);
    EXPECT_EQ(exits, 1);
    EXPECT_FALSE(w.a->Active());
    EXPECT_TRUE(w.b->Active());
    EXPECT_EQ(hooks.beeps, 0);
    EXPECT_TRUE(hooks.errors.empty());
}

TEST(InplaceEditWidget, LeavingUnmodifiedEditNeverAsks) {
    TwoEdits w;
    int validated = 0;
    w.a->OnValidate = [&](TInplaceEdit*, std::string&, bool&) { ++validated; };
    w.b->setFocus(Qt::MouseFocusReason);
    Settle();
    EXPECT_EQ(validated, 0);
    EXPECT_FALSE(w.a->Active());
}

TEST(InplaceEditWidget, RefusedExitBeepsKeepsFocusAndReportsTheText) {
    Hooks hooks;
    TwoEdits w;
    int exits = 0, bEnters = 0;
    w.a->OnValidate = [](TInplaceEdit*, std::string&, bool& accept) { accept = false; };
    w.a->OnExit = [&](TInplaceEdit*) { ++exits; };
    w.b->OnEnter = [&](TInplaceEdit*) { ++bEnters; };
    QTest::keyClicks(w.a, "5");
    w.b->setFocus(Qt::MouseFocusReason);
    Settle();
    EXPECT_TRUE(w.a->hasFocus());
    EXPECT_TRUE(w.a->Active());
    EXPECT_TRUE(w.a->GetModified());
    EXPECT_EQ(w.a->text(), "5");
    EXPECT_EQ(exits, 0);
    EXPECT_EQ(bEnters, 0);
    EXPECT_FALSE(w.b->Active());
    EXPECT_EQ(hooks.beeps, 1);
    EXPECT_EQ(hooks.errors,
              std::vector<std::string>{"Invalid input value. Use escape key to abandon changes"});

    // Escape brings back the text of the entry; then leaving passes.
    QTest::keyClick(w.a, Qt::Key_Escape);
    EXPECT_EQ(w.a->text(), "");
    EXPECT_FALSE(w.a->GetModified());
    QTest::keyClick(w.a, Qt::Key_Tab);
    Settle();
    EXPECT_TRUE(w.b->hasFocus());
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(bEnters, 1);
    EXPECT_EQ(hooks.beeps, 1);
}

TEST(InplaceEditWidget, RefusalWithEmptyTextReportsAnEmptyMessage) {
    Hooks hooks;
    TwoEdits w;
    w.a->OnValidate = [](TInplaceEdit*, std::string& text, bool& accept) {
        text.clear();
        accept = false;
    };
    QTest::keyClicks(w.a, "x");
    EXPECT_THROW(w.a->ValidateEdit(), EEditInvalidInput);
    EXPECT_EQ(hooks.beeps, 1);
    try {
        w.a->ValidateEdit();
    } catch (const EEditInvalidInput& e) {
        EXPECT_STREQ(e.what(), "");
    }
}

TEST(InplaceEditWidget, TwoRefusingEditsDoNotPlayPingPong) {
    Hooks hooks;
    TwoEdits w;
    for (TestEdit* e : {w.a, w.b})
        e->OnValidate = [](TInplaceEdit*, std::string&, bool& accept) { accept = false; };
    // b carries a refused value from before.
    w.b->setText("9");
    w.b->SetModified(true);
    QTest::keyClicks(w.a, "1");
    w.b->setFocus(Qt::TabFocusReason);
    Settle();
    Settle();
    EXPECT_TRUE(w.a->hasFocus());
    EXPECT_EQ(hooks.beeps, 1);
    EXPECT_EQ(hooks.errors.size(), 1u);
}

TEST(InplaceEditWidget, RefusedEditThatCannotTakeTheFocusBackLetsTheOtherEnter) {
    Hooks hooks;
    TwoEdits w;
    int bEnters = 0;
    w.a->OnValidate = [&](TInplaceEdit*, std::string&, bool& accept) {
        accept = false;
        w.a->setEnabled(false); // e.g. a handler that locks the field
    };
    w.b->OnEnter = [&](TInplaceEdit*) { ++bEnters; };
    QTest::keyClicks(w.a, "8");
    w.b->setFocus(Qt::TabFocusReason);
    Settle();
    EXPECT_TRUE(w.b->hasFocus());
    EXPECT_EQ(bEnters, 1);
    EXPECT_TRUE(w.b->Active());
    EXPECT_EQ(hooks.errors.size(), 1u);
}

TEST(InplaceEditWidget, DeactivationAndPopupsDoNotValidate) {
    TwoEdits w;
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
    // The entry record is still the original one.
    EXPECT_EQ(w.a->Activation().PreviousText(), "");
}

TEST(InplaceEditWidget, FocusMovedByTheExitCheckDoesNotReenterIt) {
    Hooks hooks;
    TwoEdits w;
    int validated = 0;
    w.a->OnValidate = [&](TInplaceEdit*, std::string&, bool&) {
        ++validated;
        // A handler that bounces the focus around while the exit runs.
        w.a->setFocus(Qt::OtherFocusReason);
        w.b->setFocus(Qt::OtherFocusReason);
    };
    QTest::keyClicks(w.a, "4");
    w.b->setFocus(Qt::TabFocusReason);
    Settle();
    EXPECT_EQ(validated, 1);
    EXPECT_TRUE(hooks.errors.empty());
}

TEST(InplaceEditWidget, FocusMakesTheEditHot) {
    TwoEdits w;
    w.b->Style().SetBorderStyle(xbsSingle);
    w.b->Style().SetHotTrack(true);
    EXPECT_EQ(w.b->CreateViewData(false)->BorderStyle, xbsSingle);
    w.b->setFocus(Qt::TabFocusReason);
    Settle();
    EXPECT_EQ(w.b->CreateViewData(false)->BorderStyle, xbsThick);
    EXPECT_TRUE(w.b->mask().isEmpty());
    w.a->setFocus(Qt::TabFocusReason);
    Settle();
    EXPECT_EQ(w.b->CreateViewData(false)->BorderStyle, xbsSingle);
    EXPECT_FALSE(w.b->mask().isEmpty());
}

TEST(InplaceEditWidget, EscapeOnUnmodifiedEditChangesNothing) {
    TwoEdits w;
    w.a->setText("abc");
    QTest::keyClick(w.a, Qt::Key_Escape);
    EXPECT_EQ(w.a->text(), "abc");
    // Escape never reaches the parent or the key-press event.
    int pressed = 0;
    w.a->OnKeyPress = [&](TInplaceEdit*, QChar&) { ++pressed; };
    QTest::keyClick(w.a, Qt::Key_Escape);
    EXPECT_EQ(pressed, 0);
}

TEST(InplaceEditWidget, ReadOnlyDropsEditingKeysButNotMovement) {
    TwoEdits w;
    w.a->setText("abcd");
    w.a->SetReadOnly(true);
    w.a->setCursorPosition(2);
    QTest::keyClick(w.a, Qt::Key_Backspace);
    QTest::keyClick(w.a, Qt::Key_Delete);
    QTest::keyClick(w.a, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(w.a, Qt::Key_Insert, Qt::ShiftModifier);
    QTest::keyClick(w.a, Qt::Key_X, Qt::ControlModifier);
    QTest::keyClicks(w.a, "zz");
    EXPECT_EQ(w.a->text(), "abcd");
    EXPECT_FALSE(w.a->GetModified());
    QTest::keyClick(w.a, Qt::Key_Left);
    EXPECT_EQ(w.a->cursorPosition(), 1);
    w.a->SetReadOnly(false);
    QTest::keyClick(w.a, Qt::Key_Delete);
    EXPECT_EQ(w.a->text(), "acd");
}

TEST(InplaceEditWidget, KeyEventsCanDropOrChangeKeys) {
    TwoEdits w;
    w.a->OnKeyPress = [](TInplaceEdit*, QChar& key) {
        if (key == QChar(',')) key = QChar('.');
        if (key == QChar('q')) key = QChar();
    };
    w.a->OnKeyDown = [](TInplaceEdit*, int& key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_Home) key = 0;
    };
    QTest::keyClicks(w.a, "1,q5");
    EXPECT_EQ(w.a->text(), "1.5");
    QTest::keyClick(w.a, Qt::Key_Home);
    EXPECT_EQ(w.a->cursorPosition(), 3);
    // A replaced key acts as the new key.
    w.a->OnKeyDown = [](TInplaceEdit*, int& key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_End) key = Qt::Key_Left;
    };
    QTest::keyClick(w.a, Qt::Key_End);
    EXPECT_EQ(w.a->cursorPosition(), 2);
    EXPECT_EQ(w.a->text(), "1.5");
}

TEST(InplaceEditWidget, ExceptionFromAHandlerIsReportedNotThrown) {
    Hooks hooks;
    TwoEdits w;
    w.a->OnChange = [](TInplaceEdit*) { throw std::runtime_error("handler failed"); };
    QTest::keyClicks(w.a, "1");
    Settle();
    EXPECT_EQ(hooks.errors, std::vector<std::string>{"handler failed"});
}

TEST(InplaceEditWidget, ClipboardAndCompositionHonourReadOnly) {
    TwoEdits w;
    struct Poster : TestEdit {
        using TestEdit::ClearMessage;
        using TestEdit::CutMessage;
        using TestEdit::TestEdit;
    };
    Poster p(&w.window);
    p.setText("abc");
    p.selectAll();
    p.SetReadOnly(true);
    p.CutMessage();
    p.ClearMessage();
    QInputMethodEvent commit;
    commit.setCommitString("x");
    QApplication::sendEvent(&p, &commit);
    EXPECT_EQ(p.text(), "abc");
    p.SetReadOnly(false);
    QApplication::sendEvent(&p, &commit);
    EXPECT_EQ(p.text(), "x");
    p.selectAll();
    p.ClearMessage();
    EXPECT_EQ(p.text(), "");
}

TEST(InplaceEditWidget, PostedPasteHonoursReadOnly) {
    TwoEdits w;
    QApplication::clipboard()->setText("77");
    struct Poster : TestEdit {
        using TestEdit::PostPasteMessage;
        using TestEdit::TestEdit;
    };
    Poster p(&w.window);
    p.SetReadOnly(true);
    p.PostPasteMessage();
    Settle();
    EXPECT_EQ(p.text(), "");
    p.SetReadOnly(false);
    p.PostPasteMessage();
    Settle();
    EXPECT_EQ(p.text(), "77");
}

TEST(InplaceEditWidget, HotTrackingRaisesTheBorderWhileTheMouseIsInside) {
    TestEdit edit;
    edit.Style().SetBorderStyle(xbsSingle);
    edit.Style().SetHotTrack(true);
    int entered = 0, left = 0;
    edit.OnMouseEnter = [&](TInplaceEdit*) { ++entered; };
    edit.OnMouseLeave = [&](TInplaceEdit*) { ++left; };
    EXPECT_EQ(edit.CreateViewData(false)->BorderStyle, xbsSingle);
    EXPECT_EQ(edit.mask().boundingRect(), QRect(1, 1, 119, 19));
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&edit, &enter);
    EXPECT_TRUE(edit.Hot());
    EXPECT_EQ(edit.CreateViewData(false)->BorderStyle, xbsThick);
    EXPECT_TRUE(edit.mask().isEmpty()); // two pixels on all sides: the whole window
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&edit, &leave);
    EXPECT_FALSE(edit.Hot());
    EXPECT_EQ(edit.CreateViewData(false)->BorderStyle, xbsSingle);
    EXPECT_EQ(edit.mask().boundingRect(), QRect(1, 1, 119, 19));
    EXPECT_EQ(entered, 1);
    EXPECT_EQ(left, 1);
}

TEST(InplaceEditWidget, AutoSizeFollowsTheFontAndTheShadow) {
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
    // The base edit answers in-place, so it never auto-sizes.
    TInplaceEdit base;
    EXPECT_FALSE(base.AutoSize());
}

TEST(InplaceEditWidget, FreedControllerFallsBackToTheDefault) {
    TestEdit edit;
    auto ctrl = std::make_unique<TEditStyleController>();
    ctrl->SetBorderStyle(xbsNone);
    edit.SetStyleController(ctrl.get());
    EXPECT_EQ(edit.mask().boundingRect(), QRect(2, 2, 117, 17));
    ctrl.reset();
    EXPECT_EQ(edit.StyleController(), nullptr);
    EXPECT_TRUE(edit.mask().isEmpty());
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
                              << " shadow " << c.shadow << " at " << x << "," << y << ": got "
                              << got.name().toStdString() << " want " << want.name().toStdString();
        }
    EXPECT_EQ(mismatches, 0);
}

TEST(InplaceEditPainting, EveryStyleAndEdgeSubsetPaintsWhatTheGeometrySays) {
    const std::vector<TEditEdges> edgeSets = {
        kAllEdges, {}, {edgTop}, {edgLeft, edgRight, edgBottom}, {edgLeft, edgTop}};
    for (int s = xbsNone; s <= xbs3D; ++s)
        for (const TEditEdges& edges : edgeSets)
            for (bool shadow : {false, true})
                CheckPaintedEdit({static_cast<TEditBorderStyle>(s), edges, shadow});
}

TEST(InplaceEditPainting, HotEditsPaintTheRaisedBorder) {
    for (int s = xbsNone; s <= xbs3D; ++s) {
        CheckPaintedEdit({static_cast<TEditBorderStyle>(s), kAllEdges, false, true, true});
        CheckPaintedEdit({static_cast<TEditBorderStyle>(s), {edgBottom}, true, true, true});
    }
}

TEST(InplaceEditPainting, DisabledEditPaintsButtonFace) {
    CheckPaintedEdit({xbs3D, kAllEdges, false, false});
    TInplaceEdit edit;
    edit.setPalette(DistinctPalette());
    edit.setEnabled(false);
    const auto data = edit.CreateViewData(true);
    EXPECT_EQ(data->BackgroundColor, QColor(200, 190, 180));
    EXPECT_EQ(data->TextColor, QColor(120, 110, 100));
}

TEST(InplaceEditPainting, SystemColoursMapToPaletteRoles) {
    const QPalette pal = DistinctPalette();
    EXPECT_EQ(ToQColor(clBtnFace, pal), QColor(200, 190, 180));
    EXPECT_EQ(ToQColor(clBtnShadow, pal), QColor(120, 110, 100));
    EXPECT_EQ(ToQColor(clBtnHighlight, pal), QColor(255, 255, 255));
    EXPECT_EQ(ToQColor(clWindowFrame, pal), QColor(20, 30, 40));
    EXPECT_EQ(ToQColor(0x00336699, pal), QColor(0x99, 0x66, 0x33));
}

TEST(EditTextPainter, MeasureOnlyReportsHeightsAndDrawsNothing) {
    QFont font;
    font.setPixelSize(13);
    const int h = QFontMetrics(font).height();
    QImage image(100, 30, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    int height = -1;
    const int needed =
        DrawEditText(&p, "12.50", -1, QRect(0, 0, 100, 30), QRect(2, 2, 96, 21), kDetMeasureOnly,
                     QBrush(Qt::red), font, Qt::red, Qt::black, &height);
    p.end();
    EXPECT_EQ(height, h);
    EXPECT_EQ(needed, h + (30 - 21));
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 100; ++x) ASSERT_EQ(image.pixel(x, y), qRgb(255, 255, 255));
    EXPECT_EQ(DrawEditText(nullptr, "", -1, QRect(0, 0, 10, 10), QRect(0, 0, 10, 10),
                           kDetMeasureOnly, QBrush(), font, Qt::red, Qt::black, &height),
              0);
    EXPECT_EQ(height, 0);
}

TEST(EditTextPainter, ShadowStripsAlongBottomAndRight) {
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    PaintEditShadow(p, QRect(2, 2, 18, 8), 2, QBrush(Qt::blue));
    p.end();
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool strip = (y >= 8 && x >= 2) || (x >= 18 && y >= 2);
            EXPECT_EQ(image.pixelColor(x, y), strip ? QColor(Qt::blue) : QColor(Qt::white))
                << x << "," << y;
        }
}

// How many pixels of row `y` between x0 and x1 are not white.
int InkInRow(const QImage& image, int y, int x0, int x1) {
    int n = 0;
    for (int x = x0; x < x1; ++x) n += image.pixelColor(x, y) != QColor(Qt::white);
    return n;
}

TEST(EditTextPainter, FocusFrameAroundTheTextRectangleOrTheTextOnly) {
    QFont font;
    font.setPixelSize(13);
    const QRect textRect(10, 5, 60, 20);
    auto draw = [&](const QString& text, std::uint16_t flags) {
        QImage image(100, 40, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        DrawEditText(&p, text, -1, QRect(0, 0, 100, 40), textRect, flags | kDetTransparent,
                     QBrush(Qt::white), font, Qt::white, Qt::black);
        return image;
    };
    // Around the text rectangle grown by one pixel: rows 4 and 25.
    QImage image = draw("ab", kDetFocusRect);
    EXPECT_GT(InkInRow(image, 4, 9, 71), 10);
    EXPECT_GT(InkInRow(image, 25, 9, 71), 10);
    EXPECT_EQ(InkInRow(image, 3, 0, 100), 0);
    // An empty text with the text-only flag gets no frame at all.
    image = draw("", kDetFocusRect | kDetFocusTextOnly | kDetWordWrap);
    for (int y = 0; y < 40; ++y) EXPECT_EQ(InkInRow(image, y, 0, 100), 0) << y;
}

TEST(EditTextPainter, TooWideTextIsClippedAndTheRestFilled) {
    QFont font;
    font.setPixelSize(13);
    QImage image(100, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    const QString text = "WWWWWWWWWWWWWWWWWWWW";
    ASSERT_GT(QFontMetrics(font).horizontalAdvance(text), 40);
    DrawEditText(&p, text, -1, QRect(0, 0, 100, 20), QRect(10, 0, 40, 20), kDetRight,
                 QBrush(Qt::green), font, Qt::yellow, Qt::black);
    p.end();
    // Right of the text rectangle: the brush; inside: background and ink; left of it: background.
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
