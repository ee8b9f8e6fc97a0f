// Toolbars in a real form: the layout of buttons, separators and ordinary widgets, moving between
// docks and floating, double clicks, sizing a floating bar and its close button.
#include "toolbarform.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

using namespace fprn::toolbars;
using namespace fprn::toolbars::test;

TEST(Toolbar, LayoutOfButtonsSeparatorsAndWidgets) {
    ToolbarForm t;
    EXPECT_EQ(t.bar->size(), QSize(111, 26));
    EXPECT_EQ(t.buttons[0]->geometry(), QRect(11, 2, 23, 22));
    EXPECT_EQ(t.sep->geometry(), QRect(80, 2, 6, 22));
    EXPECT_EQ(t.buttons[3]->geometry(), QRect(86, 2, 23, 22));
    try {
        t.sep->SetParent(&t.f.form);
        FAIL();
    } catch (const EInvalidOperation& e) {
        EXPECT_STREQ(e.what(), "TToolbarSep can only be placed on a TToolbar");
    }
    EXPECT_EQ(t.sep->parentWidget(), t.bar);

    // The search bar: a combo box, an edit and a button, centred across the row.
    auto* search = new TToolbar;
    auto* combo = new QComboBox(search);
    combo->setFixedSize(100, 22);
    auto* edit = new QLineEdit(search);
    edit->setFixedSize(120, 20);
    auto* find = new TToolbarButton(search);
    find->SetCaption("Find");
    find->resize(40, 22);
    search->SetDockPos(200);
    search->SetParent(t.f.top);
    Settle();
    EXPECT_EQ(search->size(), QSize(11 + 260 + 2, 26));
    EXPECT_EQ(edit->geometry(), QRect(111, 3, 120, 20));
    // Children hidden, shown and resized rearrange the bar; its own placements do not loop.
    edit->hide();
    Settle();
    EXPECT_EQ(find->x(), 111);
    edit->show();
    combo->setFixedWidth(80);
    Settle();
    EXPECT_EQ(find->x(), 211);
    EXPECT_EQ(search->width(), 253);
    const int arranged = t.f.top->ArrangeCount();
    Settle();
    EXPECT_EQ(t.f.top->ArrangeCount(), arranged);
    delete combo;
    Settle();
    EXPECT_EQ(edit->x(), 11);
    // Built while the form loads, the controls keep the order of their positions.
    BeginLoading(&t.f.form);
    auto* third = new TToolbarButton(search);
    third->move(0, 0);
    third->show();
    Loaded(&t.f.form);
    Settle();
    EXPECT_EQ(search->OrderedControls().front(), third);
    EXPECT_EQ(third->x(), 11);

    // A left dock stands the bar up; floating it wraps at its right edge and draws the line.
    t.bar->SetParent(t.f.left);
    Settle();
    EXPECT_EQ(t.bar->size(), QSize(27, 107));
    EXPECT_EQ(t.sep->geometry(), QRect(2, 77, 23, 6));
    t.bar->SetDockedTo(nullptr);
    Settle();
    EXPECT_EQ(t.bar->size(), QSize(114, 48));
    EXPECT_EQ(t.bar->ListFloatingSizes(),
              (std::vector<QSize>{{106, 25}, {77, 53}, {54, 75}, {31, 97}}));
}

TEST(ToolbarDrag, BetweenDocksAndAway) {
    ToolbarForm t;
    int ups = 0;
    QPoint upAt;
    t.bar->OnMouseUp = [&](TCustomToolWindow*, Qt::MouseButton, Qt::KeyboardModifiers, int x,
                           int y) {
        ++ups;
        upAt = {x, y};
    };
    // Taken at the handle: the outline starts over the bar, one pixel thick.
    const QPoint handle = t.Global(t.bar, {5, 12});
    t.Press(handle);
    EXPECT_TRUE(ToolWindowTracking());
    EXPECT_EQ(Outline(), std::make_pair(QRect(t.bar->mapToGlobal(QPoint()), QSize(111, 26)), 1));

    t.Move({200, 598});
    EXPECT_EQ(Outline(), std::make_pair(QRect(195, 586, 111, 26), 1)) << "the bottom dock";
    t.Move({1, 300});
    EXPECT_EQ(Outline(), std::make_pair(QRect(0, 249, 27, 107), 1)) << "the left dock";
    // Ctrl never docks, pressed and released at the last position.
    QTest::keyPress(t.bar, Qt::Key_Control);
    EXPECT_EQ(Outline(), std::make_pair(QRect(-4, 277, 114, 48), 4));
    QTest::keyRelease(t.bar, Qt::Key_Control);
    EXPECT_EQ(Outline().second, 1);
    // Right buttons are swallowed; away from the docks it floats where the outline was.
    t.Press({400, 300}, {}, Qt::RightButton);
    t.Release({400, 300}, Qt::RightButton);
    EXPECT_TRUE(ToolWindowTracking());
    t.Move({400, 300});
    EXPECT_EQ(Outline(), std::make_pair(QRect(395, 277, 114, 48), 4));
    t.Release({400, 300});
    EXPECT_FALSE(ToolWindowTracking());
    EXPECT_EQ(Outline().first, QRect());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_TRUE(t.bar->Floating());
    EXPECT_EQ(t.bar->geometry(), QRect(395, 277, 114, 48));
    EXPECT_EQ(ups, 1);
    EXPECT_EQ(upAt, QPoint(-1, -1));

    // The caption's double click docks it back at its row and position; the handle's floats it.
    t.DoubleClick(t.Global(t.bar, {30, 10}));
    EXPECT_EQ(t.bar->DockedTo(), t.f.top);
    EXPECT_EQ(t.bar->pos(), QPoint(0, 0));
    t.DoubleClick(t.Global(t.bar, {5, 12}));
    EXPECT_TRUE(t.bar->Floating());
    EXPECT_EQ(t.bar->pos(), QPoint(395, 277));

    // Escape and a second left press cancel; so does the bar being hidden meanwhile.
    t.Press(t.Global(t.bar, {30, 10}));
    t.Move({200, 598});
    QTest::keyClick(t.bar, Qt::Key_Escape);
    EXPECT_FALSE(ToolWindowTracking());
    t.Release({200, 598});
    EXPECT_TRUE(t.bar->Floating());
    t.Press(t.Global(t.bar, {30, 10}));
    t.Move({200, 598});
    t.Press({200, 598});
    EXPECT_FALSE(ToolWindowTracking());
    t.Release({200, 598});
    EXPECT_TRUE(t.bar->Floating());
    t.Press(t.Global(t.bar, {30, 10}));
    QTimer::singleShot(0, t.bar, [&] { t.bar->hide(); });
    Settle();
    t.Release(t.last);
    EXPECT_FALSE(ToolWindowTracking());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(DragOutlineWindow(), nullptr);
    t.bar->show();
    Settle();
    ASSERT_TRUE(t.bar->isVisible());

    // Kept on the screen: the pointer stops at the work area's edge, the caption stays in reach.
    t.Press(t.Global(t.bar, {30, 17}));
    ASSERT_TRUE(ToolWindowTracking());
    t.Move({2000, 300});
    EXPECT_EQ(Outline().first.x(), 800 - 30);
    t.Move({300, -500});
    EXPECT_EQ(Outline().first.y(), -15) << "the caption stays reachable";
    QTest::keyClick(t.bar, Qt::Key_Escape);
    t.Release(t.last);
}

TEST(ToolbarDrag, RefusalsModesAndDrops) {
    ToolbarForm t;
    Errors errors;
    // At (1, 30) both the top and the left dock are near; a refusing top leaves the left one.
    int asked = 0;
    t.f.top->OnRequestDock = [&](TDock*, TCustomToolWindow*, bool& accept) {
        ++asked;
        accept = false;
    };
    const QPoint handle = t.Global(t.bar, {5, 12});
    t.Press(handle);
    t.Move({1, 30});
    EXPECT_EQ(Outline().first.size(), QSize(27, 107));
    EXPECT_GT(asked, 0);
    // A handler deleting another dock, then its own bar's dock (and so the bar).
    t.f.top->OnRequestDock = [&](TDock*, TCustomToolWindow*, bool&) { delete t.f.bottom; };
    t.Move({200, 20});
    EXPECT_TRUE(ToolWindowTracking());
    QPointer<TToolbar> bar = t.bar;
    t.f.top->OnRequestDock = [&](TDock* dock, TCustomToolWindow*, bool&) { delete dock; };
    t.Move({210, 20});
    EXPECT_FALSE(bar);
    EXPECT_FALSE(ToolWindowTracking());
    EXPECT_EQ(DragOutlineWindow(), nullptr);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    t.Release({210, 20});
    // A bar deleting itself when it starts to change docks at the drop.
    auto* two = new TToolbar;
    new TToolbarButton(two);
    two->SetParent(t.f.left);
    Settle();
    QPointer<TToolbar> alive = two;
    two->OnDockChanging = [&](TCustomToolWindow* b) { delete b; };
    t.Press(t.Global(two, {12, 5}));
    t.Move({400, 300});
    t.Release({400, 300});
    EXPECT_FALSE(alive);
    EXPECT_EQ(t.f.left->width(), 0) << "the dock it left arranges again";
    EXPECT_TRUE(errors.list.empty());
}

TEST(ToolbarDrag, CannotFloatInsertAndFullSize) {
    ToolbarForm t;
    t.bar->SetDockMode(dmCannotFloat);
    t.Press(t.Global(t.sep, {3, 10}));
    EXPECT_TRUE(ToolWindowTracking()) << "a press on a separator drags the bar";
    t.Move({400, 300});
    ASSERT_TRUE(QGuiApplication::overrideCursor());
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::ForbiddenCursor);
    EXPECT_EQ(DragOutlineWindow(), nullptr);
    t.Move({300, 10});
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    t.Move({400, 300});
    t.Release({400, 300});
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "restored at the end";
    EXPECT_EQ(t.bar->DockedTo(), t.f.top);

    // A second bar dropped within 5 pixels of row 0's start gets a new row before it.
    auto* two = new TToolbar;
    new TToolbarButton(two);
    two->SetDockRow(1);
    two->SetParent(t.f.top);
    Settle();
    t.Press(t.Global(two, {5, 12}));
    t.Move(t.f.top->mapToGlobal(QPoint(300, 2)));
    t.Release(t.f.top->mapToGlobal(QPoint(300, 2)));
    EXPECT_EQ(two->DockRow(), 0);
    EXPECT_EQ(t.bar->DockRow(), 1);
    EXPECT_EQ(two->pos(), QPoint(295, 0));
    // A full-size bar dropped into an occupied row takes a row of its own after it.
    t.bar->SetDockMode(dmCanFloat);
    t.bar->SetFullSize(true);
    t.Press(t.Global(t.bar, {5, 12}));
    t.Move(t.f.top->mapToGlobal(QPoint(500, 13)));
    t.Release(t.f.top->mapToGlobal(QPoint(500, 13)));
    EXPECT_EQ(t.bar->DockRow(), 1);
    EXPECT_EQ(t.bar->geometry(), QRect(0, 26, 800, 26));
}

TEST(ToolbarSizing, EdgesThroughTheListedSizes) {
    ToolbarForm t;
    t.bar->SetDockedTo(nullptr);
    t.bar->SetBounds({300, 200, 114, 48});
    Settle();
    const QPoint at = t.bar->pos();
    // The four edges show sizing cursors, the corners and the caption do not.
    const std::pair<QPoint, Qt::CursorShape> cursors[] = {
        {{111, 30}, Qt::SizeHorCursor}, {{1, 30}, Qt::SizeHorCursor}, {{50, 1}, Qt::SizeVerCursor},
        {{50, 46}, Qt::SizeVerCursor},  {{50, 10}, Qt::ArrowCursor},  {{1, 1}, Qt::SizeVerCursor}};
    for (auto [p, shape] : cursors) {
        t.Move(t.Global(t.bar, p));
        EXPECT_EQ(t.bar->cursor().shape(), shape) << p.x() << "," << p.y();
    }
    auto size = [&](QPoint press, QPoint to) {
        t.Press(t.Global(t.bar, press));
        t.Move(t.Global(t.bar, to));
        const QSize outline = Outline().first.size();
        t.Release(t.Global(t.bar, to));
        EXPECT_EQ(outline, t.bar->size());
        return t.bar->size();
    };
    EXPECT_EQ(size({111, 30}, {81, 30}), QSize(62, 98)) << "right edge inwards";
    EXPECT_EQ(t.bar->FloatingRightEdge(), 54);
    ASSERT_EQ(t.bar->LineSeparators().size(), 1u);
    const QImage shot = t.bar->grab().toImage();
    const int line = 19 + t.bar->LineSeparators()[0].Top;
    EXPECT_EQ(shot.pixel(5, line - 4), t.bar->palette().color(QPalette::Dark).rgb());
    EXPECT_EQ(shot.pixel(56, line - 3), t.bar->palette().color(QPalette::Light).rgb());
    EXPECT_EQ(size({60, 50}, {74, 50}), QSize(85, 76)) << "past the snap: the next wider";
    EXPECT_EQ(size({83, 50}, {300, 50}), QSize(114, 48)) << "past the widest: one line";
    EXPECT_EQ(size({50, 46}, {50, 120}), QSize(39, 120)) << "bottom edge";
    EXPECT_EQ(t.bar->pos(), at);
    EXPECT_EQ(size({20, 1}, {20, 40}), QSize(85, 76)) << "top edge keeps the bottom";
    EXPECT_EQ(t.bar->y() + 76, at.y() + 120);
    const QPoint right = t.Global(t.bar, {84, 40});
    EXPECT_EQ(size({1, 40}, {-40, 40}), QSize(114, 48)) << "left edge keeps the right";
    EXPECT_EQ(t.bar->mapToGlobal(QPoint(113, 0)).x(), right.x());
    // Escape leaves the size.
    t.Press(t.Global(t.bar, {111, 30}));
    t.Move(t.Global(t.bar, {50, 30}));
    QTest::keyClick(t.bar, Qt::Key_Escape);
    t.Release(t.last);
    EXPECT_EQ(t.bar->size(), QSize(114, 48));
    EXPECT_FALSE(ToolWindowTracking());
}

TEST(ToolbarSizing, JustFloatedByTheLeftEdge) {
    ToolbarForm t;
    t.bar->SetDockedTo(nullptr);
    t.bar->SetBounds({300, 200, 114, 48});
    Settle();
    const QRect where = t.bar->geometry();
    // A window manager reports where it has put a bar it has just mapped only later: Qt holds
    // the screen's corner meanwhile, while the pointer's events come from where the bar is.
    QWindow* win = t.bar->windowHandle();
    win->setPosition(0, 0);
    Settle();
    ASSERT_EQ(t.bar->pos(), QPoint(0, 0));
    auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent e(type, at, where.topLeft() + at, Qt::LeftButton, buttons, {});
        QCoreApplication::sendEvent(win, &e);
    };
    send(QEvent::MouseButtonPress, {1, 30}, Qt::LeftButton);
    send(QEvent::MouseMove, {31, 30}, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {31, 30}, Qt::NoButton);
    Settle();
    EXPECT_NE(t.bar->width(), where.width());
    EXPECT_EQ(t.bar->geometry().right(), where.right());
    EXPECT_EQ(t.bar->y(), where.y());
}

TEST(ToolbarClose, FloatingAndDocked) {
    ToolbarForm t;
    int queries = 0, closes = 0;
    bool allow = false;
    t.bar->OnCloseQuery = [&](TCustomToolWindow*, bool& can) {
        ++queries;
        can = allow;
    };
    t.bar->OnClose = [&](TCustomToolWindow*) { ++closes; };
    t.bar->SetDockedTo(nullptr);
    Settle();
    const QPoint close = t.Global(t.bar, {102, 10});
    t.Press(close);
    EXPECT_TRUE(t.bar->ClosePressed());
    t.Move(t.Global(t.bar, {50, 10}));
    EXPECT_FALSE(t.bar->ClosePressed());
    t.Release(t.Global(t.bar, {50, 10}));
    EXPECT_EQ(queries, 0) << "released outside: nothing";
    t.Press(close);
    t.Release(close);
    EXPECT_EQ(queries, 1);
    EXPECT_TRUE(t.bar->isVisible()) << "vetoed";
    allow = true;
    t.Press(close);
    t.Release(close);
    EXPECT_FALSE(t.bar->Visible());
    EXPECT_EQ(closes, 1);

    t.bar->SetCloseButtonWhenDocked(true);
    t.bar->SetDockedTo(t.f.top);
    t.bar->show();
    Settle();
    t.Press(t.Global(t.bar, {8, 7}));
    EXPECT_TRUE(t.bar->ClosePressed());
    t.Release(t.Global(t.bar, {8, 7}));
    EXPECT_FALSE(t.bar->Visible());
    EXPECT_EQ(closes, 2);
    // A close handler deleting its bar.
    t.bar->show();
    Settle();
    QPointer<TToolbar> alive = t.bar;
    t.bar->OnCloseQuery = [&](TCustomToolWindow* b, bool&) { delete b; };
    t.Press(t.Global(t.bar, {8, 7}));
    t.Release(t.last);
    EXPECT_FALSE(alive);
    EXPECT_FALSE(ToolWindowTracking());
}
