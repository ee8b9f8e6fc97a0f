// Toolbar buttons in a real form: hot tracking and its border, clicks, groups, repeats, menus per
// dock, combo buttons, actions both ways, handlers that delete the bar, Default/Cancel and
// accelerators, and the down pattern.
#include "toolbarform.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>
#include <QTimer>

using namespace fprn::toolbars;
using namespace fprn::toolbars::test;

namespace {

QRgb Pixel(QWidget* w, QPoint p) {
    return w->grab().toImage().pixel(p);
}

QRgb Role(QWidget* w, QPalette::ColorRole role) {
    return w->palette().color(role).rgb();
}

} // namespace

TEST(ToolbarButton, HotTracking) {
    ToolbarForm t;
    TToolbarButton* a = t.buttons[0];
    TToolbarButton* b = t.buttons[1];
    int enters = 0, exits = 0;
    a->OnMouseEnter = [&](TToolbarButton*) { ++enters; };
    a->OnMouseExit = [&](TToolbarButton*) { ++exits; };
    EXPECT_EQ(Pixel(a, {0, 0}), Pixel(a, {5, 5})) << "flat: no border";

    t.Move(t.Global(a, {10, 10}));
    EXPECT_EQ(TButtonTestSeam::HotButton(), a);
    EXPECT_EQ(a->State(), bsHot);
    EXPECT_TRUE(TButtonTestSeam::HoverActive());
    EXPECT_EQ(Pixel(a, {0, 0}), Role(a, QPalette::Light));
    EXPECT_EQ(Pixel(a, {22, 21}), Role(a, QPalette::Dark));
    EXPECT_EQ(enters, 1);

    // The neighbour takes it at once, with one repaint each.
    const long repaints = TButtonTestSeam::Repaints();
    t.Move(t.Global(b, {10, 10}));
    EXPECT_EQ(TButtonTestSeam::HotButton(), b);
    EXPECT_EQ(a->State(), bsUp);
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(TButtonTestSeam::Repaints() - repaints, 2);

    // Out into the form; the tick finds a button moved from under the pointer.
    t.Move(t.f.central->mapToGlobal(QPoint(100, 100)));
    EXPECT_FALSE(TButtonTestSeam::HoverActive());
    t.Move(t.Global(a, {10, 10}));
    a->move(a->x(), a->y() + 100);
    TButtonTestSeam::FireHover();
    EXPECT_EQ(TButtonTestSeam::HotButton(), nullptr);
    EXPECT_EQ(exits, 2);
    t.bar->Arrange();

    // The application going inactive ends it, unless the button keeps its border then.
    t.Move(t.Global(a, {10, 10}));
    QApplication::setActiveWindow(nullptr);
    Settle();
    EXPECT_EQ(a->State(), bsUp);
    a->SetShowBorderWhenInactive(true);
    t.Move(t.Global(a, {12, 10}));
    EXPECT_EQ(a->State(), bsHot);
    QApplication::setActiveWindow(&t.f.form);
    QApplication::setActiveWindow(nullptr);
    Settle();
    EXPECT_EQ(a->State(), bsHot);
    QApplication::setActiveWindow(&t.f.form);
    Settle();
}

TEST(ToolbarButton, ClicksGroupsAndRepeats) {
    ToolbarForm t;
    TToolbarButton* a = t.buttons[0];
    TToolbarButton* b = t.buttons[1];
    int clicks = 0;
    a->OnClick = [&](TToolbarButton*) { ++clicks; };
    const QPoint in = t.Global(a, {10, 10});
    t.Press(in);
    EXPECT_FALSE(ToolWindowTracking()) << "a press on a button does not drag the bar";
    t.Release(in);
    EXPECT_EQ(clicks, 1);
    t.Press(in);
    t.Move(t.Global(a, {40, 10}));
    t.Release(t.Global(a, {40, 10}));
    EXPECT_EQ(clicks, 1) << "released outside";
    a->setEnabled(false);
    EXPECT_EQ(a->State(), bsDisabled);
    t.Press(in);
    t.Release(in);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(ToolWindowTracking()) << "nor does a press on a disabled one";
    a->setEnabled(true);

    // A group: one down at a time; without AllowAllUp the down one stays down.
    a->SetDown(true);
    EXPECT_FALSE(a->Down()) << "no group index";
    a->SetGroupIndex(1);
    b->SetGroupIndex(1);
    int doubles = 0;
    a->OnDblClick = [&](TToolbarButton*) { ++doubles; };
    t.DoubleClick(in);
    EXPECT_TRUE(a->Down());
    EXPECT_EQ(doubles, 1);
    EXPECT_EQ(clicks, 3);
    t.Press(t.Global(b, {10, 10}));
    t.Release(t.Global(b, {10, 10}));
    EXPECT_TRUE(b->Down());
    EXPECT_FALSE(a->Down());
    EXPECT_EQ(a->State(), bsUp);
    b->SetDown(false);
    EXPECT_TRUE(b->Down());
    b->SetAllowAllUp(true);
    EXPECT_TRUE(a->AllowAllUp());
    b->SetDown(false);
    EXPECT_FALSE(b->Down());

    // Repeating: a click at the press, on each tick inside, none outside or at the release.
    TToolbarButton* r = t.buttons[2];
    int repeats = 0;
    r->OnClick = [&](TToolbarButton*) { ++repeats; };
    r->SetRepeating(true);
    const QPoint rin = t.Global(r, {10, 10});
    t.Press(rin);
    EXPECT_EQ(repeats, 1);
    EXPECT_EQ(TButtonTestSeam::RepeatInterval(r), 400);
    TButtonTestSeam::FireRepeat(r);
    EXPECT_EQ(repeats, 2);
    EXPECT_EQ(TButtonTestSeam::RepeatInterval(r), 100);
    t.Move(t.Global(r, {40, 10}));
    TButtonTestSeam::FireRepeat(r);
    EXPECT_EQ(repeats, 2);
    EXPECT_FALSE(TButtonTestSeam::RepeatActive(r)) << "stopped in its own tick";
    t.Move(rin);
    EXPECT_TRUE(TButtonTestSeam::RepeatActive(r));
    TButtonTestSeam::FireRepeat(r);
    t.Release(rin);
    EXPECT_EQ(repeats, 3);
    EXPECT_FALSE(TButtonTestSeam::RepeatActive(r));
}

TEST(ToolbarButton, MenusPerDockAndCombo) {
    ToolbarForm t;
    auto* right = new TDock(&t.f.form);
    right->SetPosition(dpRight);
    right->setGeometry(790, 100, 10, 300);
    right->show();
    QMenu menu;
    menu.addAction("One");
    menu.addAction("Two");
    TToolbarButton* b = t.buttons[0];
    b->SetDropdownMenu(&menu);
    int dropdowns = 0;
    b->OnDropdown = [&](TToolbarButton*, bool& show, bool&) {
        ++dropdowns;
        EXPECT_TRUE(show);
    };
    auto openAt = [&](QPoint press) {
        QPoint shown;
        QTimer::singleShot(0, [&] {
            shown = menu.pos();
            menu.close();
        });
        t.Press(press);
        t.Release(press);
        return shown;
    };
    EXPECT_EQ(openAt(t.Global(b, {10, 10})), t.Global(b, {0, 22}));
    EXPECT_EQ(dropdowns, 1);
    t.bar->SetParent(t.f.left);
    Settle();
    EXPECT_EQ(openAt(t.Global(b, {10, 10})), t.Global(b, {23, 0}));
    t.bar->SetParent(right);
    Settle();
    EXPECT_EQ(openAt(t.Global(b, {10, 10})),
              t.Global(b, {0, 0}) - QPoint(menu.sizeHint().width(), 0));

    // A press on the button closes its open menu and does not open it again.
    const int before = dropdowns;
    QTimer::singleShot(0, [&] {
        QWindow* w = menu.windowHandle();
        const QPoint on = w->mapFromGlobal(t.Global(b, {10, 10}));
        QTest::mousePress(w, Qt::LeftButton, {}, on);
        QTest::mouseRelease(w, Qt::LeftButton, {}, on);
    });
    t.Press(t.Global(b, {10, 10}));
    t.Release(t.Global(b, {10, 10}));
    EXPECT_FALSE(menu.isVisible());
    EXPECT_EQ(dropdowns, before + 1);

    // A combo: the main part clicks, the arrow part opens the menu.
    TToolbarButton* c = t.buttons[1];
    c->SetDropdownMenu(&menu);
    c->SetDropdownCombo(true);
    Settle();
    EXPECT_EQ(c->width(), 34);
    c->SetDropdownArrowWidth(3);
    EXPECT_EQ(c->DropdownArrowWidth(), 7);
    EXPECT_EQ(c->width(), 32);
    int clicks = 0;
    bool opened = false;
    c->OnClick = [&](TToolbarButton*) { ++clicks; };
    c->OnDropdown = [&](TToolbarButton*, bool& show, bool&) {
        opened = true;
        show = false;
    };
    t.Press(t.Global(c, {10, 10}));
    t.Release(t.Global(c, {10, 10}));
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(opened);
    t.Press(t.Global(c, {28, 10}));
    t.Release(t.Global(c, {28, 10}));
    EXPECT_TRUE(opened);
    EXPECT_EQ(clicks, 1);
}

TEST(ToolbarButton, ActionsBothWays) {
    ToolbarForm t;
    TToolbarButton* b = t.buttons[0];
    TImageList images(16, 16);
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(Qt::red);
    images.Add(img);
    b->SetImages(&images);
    TCustomAction action;
    action.setText("&Open");
    action.SetHint("Open|Opens a file");
    action.SetImageIndex(0);
    action.SetHelpContext(7);
    action.setCheckable(true);
    b->SetGroupIndex(5);
    b->SetAllowAllUp(true);
    int triggered = 0;
    QObject::connect(&action, &QAction::triggered, [&] { ++triggered; });
    b->SetAction(&action);
    EXPECT_EQ(b->Caption(), "&Open");
    EXPECT_EQ(b->toolTip(), "Open");
    EXPECT_EQ(b->statusTip(), "Opens a file");
    EXPECT_EQ(b->ImageIndex(), 0);
    EXPECT_EQ(b->HelpContext(), 7);
    action.setEnabled(false);
    EXPECT_FALSE(b->isEnabled());
    action.setEnabled(true);
    action.setChecked(true);
    EXPECT_TRUE(b->Down());
    // A click triggers the action, whose checked state comes back as Down.
    t.Press(t.Global(b, {10, 10}));
    t.Release(t.Global(b, {10, 10}));
    EXPECT_EQ(triggered, 1);
    EXPECT_FALSE(action.isChecked());
    EXPECT_FALSE(b->Down());
    b->SetDown(true);
    TCustomAction copy;
    b->AssignTo(&copy);
    EXPECT_TRUE(copy.isChecked());
    EXPECT_EQ(copy.text(), "&Open");
    EXPECT_EQ(copy.Hint(), "Open|Opens a file");
}

TEST(ToolbarButton, HandlersThatDeleteTheBar) {
    // The editor's Exit closes its form from a click or an action; a drop-down handler may too,
    // and a repeating button from inside its own timer's tick.
    for (int which = 0; which < 5; ++which) {
        ToolbarForm t;
        QPointer<TToolbar> bar = t.bar;
        TToolbarButton* b = t.buttons[3];
        if (which == 0) b->OnClick = [&](TToolbarButton*) { delete t.bar; };
        if (which == 1) {
            b->SetDropdownAlways(true);
            b->OnDropdown = [&](TToolbarButton*, bool&, bool&) { delete t.bar; };
        }
        if (which == 2)
            b->OnMouseDown = [&](TToolbarButton*, auto, auto, int, int) { delete t.bar; };
        QAction exit;
        QObject::connect(&exit, &QAction::triggered, [&] { delete t.bar; });
        if (which == 3) b->SetAction(&exit);
        int clicks = 0;
        if (which == 4) {
            b->SetRepeating(true);
            b->SetRepeatDelay(1);
            b->OnClick = [&](TToolbarButton*) {
                if (++clicks == 2) delete t.bar;
            };
        }
        const QPoint p = t.Global(b, {10, 10});
        t.Press(p);
        if (which == 4) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return !bar; }, 2000));
        }
        t.Release(p);
        EXPECT_FALSE(bar) << which;
        EXPECT_EQ(TButtonTestSeam::HotButton(), nullptr);
    }
}

namespace {

// Claims Return for itself, as a multi-line editor would.
class ReturnTaker : public QWidget {
public:
    using QWidget::QWidget;
    bool event(QEvent* e) override {
        if (e->type() == QEvent::ShortcutOverride &&
            static_cast<QKeyEvent*>(e)->key() == Qt::Key_Return) {
            e->accept();
            return true;
        }
        return QWidget::event(e);
    }
};

} // namespace

TEST(ToolbarButton, DefaultCancelAcceleratorAndPattern) {
    ToolbarForm t;
    TToolbarButton* ok = t.buttons[0];
    TToolbarButton* cancel = t.buttons[1];
    TToolbarButton* find = t.buttons[2];
    int oks = 0, cancels = 0, finds = 0;
    ok->OnClick = [&](TToolbarButton*) { ++oks; };
    cancel->OnClick = [&](TToolbarButton*) { ++cancels; };
    find->OnClick = [&](TToolbarButton*) { ++finds; };
    ok->SetDefault(true);
    cancel->SetCancel(true);
    find->SetCaption("&Find");
    auto* taker = new ReturnTaker(t.f.central);
    taker->setFocusPolicy(Qt::StrongFocus);
    taker->show();
    QTest::keyClick(&t.f.form, Qt::Key_Return);
    QTest::keyClick(&t.f.form, Qt::Key_Enter);
    QTest::keyClick(&t.f.form, Qt::Key_Escape);
    EXPECT_EQ(oks, 2);
    EXPECT_EQ(cancels, 1);
    QTest::keyClick(&t.f.form, Qt::Key_F, Qt::AltModifier);
    EXPECT_EQ(finds, 0) << "glyph only: no accelerator";
    find->SetDisplayMode(dmBoth);
    QTest::keyClick(&t.f.form, Qt::Key_F, Qt::AltModifier);
    EXPECT_EQ(finds, 1);
    taker->setFocus();
    QTest::keyClick(taker, Qt::Key_Return);
    EXPECT_EQ(oks, 2) << "the focused widget claimed Return";
    ok->setEnabled(false);
    QTest::keyClick(&t.f.form, Qt::Key_Enter);
    EXPECT_EQ(oks, 2);

    // Down: the highlight on every even pixel, made again for a new palette.
    TToolbarButton* d = t.buttons[3];
    d->SetGroupIndex(2);
    d->SetDown(true);
    EXPECT_EQ(Pixel(d, {4, 2}), Role(d, QPalette::Light));
    EXPECT_EQ(Pixel(d, {5, 2}), Role(d, QPalette::Button));
    QPalette pal = d->palette();
    pal.setColor(QPalette::Light, QColor(0x11, 0x22, 0x33));
    d->setPalette(pal);
    EXPECT_EQ(Pixel(d, {4, 2}), qRgb(0x11, 0x22, 0x33));
    d->SetHighlightWhenDown(false);
    EXPECT_EQ(Pixel(d, {4, 2}), Role(d, QPalette::Button));
}
