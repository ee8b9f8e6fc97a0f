// Tool windows floating and docking in real forms: parents and flags, the last dock, refusals,
// event order and failing handlers, visibility of floating bars, hooks from real Qt events and
// lifetimes.
#include "toolbartest.h"

#include <QLineEdit>
#include <QPointer>
#include <QWindow>

using namespace fprn::toolbars;
using namespace fprn::toolbars::test;

namespace {

// The reparenting events of a bar, in order.
struct EventLog {
    std::string text;
    void Add(const std::string& s) { text += (text.empty() ? "" : " ") + s; }
    void Attach(TCustomToolWindow* bar) {
        bar->OnDockChanging = [this](TCustomToolWindow*) { Add("changing"); };
        bar->OnDockChangingEx = [this](TCustomToolWindow*, TDock* d) {
            Add(std::string("changingEx:") + (d ? "dock" : "none"));
        };
        bar->OnDockChangingHidden = [this](TCustomToolWindow* b, TDock*) {
            Add(std::string("hidden:") + (b->isHidden() ? "yes" : "no"));
        };
        bar->OnRecreating = [this](TCustomToolWindow*) { Add("recreating"); };
        bar->OnRecreated = [this](TCustomToolWindow*) { Add("recreated"); };
        bar->OnDockChanged = [this](TCustomToolWindow*) { Add("changed"); };
    }
    std::string Take() { return std::exchange(text, std::string()); }
};

TFloatingWindowParent* FloatingParentOf(QWidget* w) {
    return qobject_cast<TFloatingWindowParent*>(w->parentWidget());
}

} // namespace

TEST(ToolWindow, FloatAndDockBack) {
    Form f(true);
    f.Show();
    auto* a = new TTestBar;
    a->SetParent(f.top);
    auto* b = new TTestBar;
    b->SetDockRow(1);
    b->SetDockPos(30);
    b->SetParent(f.top);
    Settle();
    EXPECT_EQ(b->geometry(), QRect(30, 26, 63, 26));
    EventLog log;
    log.Attach(b);

    b->SetDockedTo(nullptr);
    // A window manager mapping the bar may report the frame it puts the bar into, at the
    // screen's corner, for the bar's place: the bar stays where it was put.
    const QPoint placed = b->pos();
    ASSERT_NE(placed, QPoint(0, 0));
    ASSERT_FALSE(b->windowHandle()->isExposed());
    b->windowHandle()->setPosition(0, 0);
    Settle();
    EXPECT_EQ(b->pos(), placed);
    EXPECT_EQ(log.Take(), "changing changingEx:none recreating hidden:yes recreated changed");
    EXPECT_TRUE(b->Floating());
    EXPECT_TRUE(b->isWindow());
    EXPECT_TRUE(b->windowFlags().testFlags(Qt::Tool | Qt::FramelessWindowHint));
    TFloatingWindowParent* fp = FloatingParentOf(b);
    ASSERT_TRUE(fp);
    EXPECT_EQ(fp->parentWidget(), &f.form);
    EXPECT_EQ(fp->ParentForm(), &f.form);
    EXPECT_TRUE(fp->isHidden());
    EXPECT_EQ(fp->size(), QSize(0, 0));
    EXPECT_EQ(fp->objectName(),
              QStringLiteral("DockFloatingParent_%1").arg(quintptr(fp), 16, 16, QLatin1Char('0')));
    EXPECT_EQ(FloatingToolWindows(), std::vector<TCustomToolWindow*>{b});
    EXPECT_EQ(b->ToolWindowParentForm(), &f.form);
    EXPECT_EQ(b->contentsMargins(), QMargins(4, 19, 4, 4)) << "frame, and the small caption";
    EXPECT_EQ(b->size(), QSize(58, 45));
    EXPECT_TRUE(b->isVisible());
    ASSERT_TRUE(b->windowHandle());
    EXPECT_EQ(b->windowHandle()->transientParent(), f.form.windowHandle());
    // The dock keeps it in its bar list (row and position survive), not among visible bars.
    EXPECT_EQ(b->LastDock(), f.top);
    EXPECT_EQ(f.top->BarList().size(), 2u);
    EXPECT_EQ(f.top->VisibleBars().size(), 1u);
    EXPECT_EQ(f.top->height(), 26);

    // Floating over the same form again reuses the parent and changes nothing.
    b->SetParent(&f.form);
    EXPECT_EQ(FloatingParentOf(b), fp);
    EXPECT_EQ(log.Take(), "");

    // Refused parents: text, and nothing changed.
    try {
        b->SetParent(f.central);
        FAIL();
    } catch (const EInvalidOperation& e) {
        EXPECT_STREQ(e.what(),
                     "A tool window can only be placed on a TDock or directly on the form");
    }
    EXPECT_EQ(FloatingParentOf(b), fp);
    EXPECT_EQ(log.Take(), "");
    TTestBar loose;
    loose.setObjectName("Bar1");
    try {
        loose.SetDockedTo(nullptr);
        FAIL();
    } catch (const EInvalidOperation& e) {
        EXPECT_STREQ(e.what(), "Control 'Bar1' has no parent window");
    }

    // A floating bar has no dock to stretch to.
    b->SetFullSize(true);
    EXPECT_EQ(b->size(), QSize(58, 45));
    b->SetFullSize(false);

    // Back: the old row and position, the floating parent gone.
    QPointer<TFloatingWindowParent> gone = fp;
    b->SetDockedTo(f.top);
    Settle();
    EXPECT_EQ(log.Take(), "changing changingEx:dock recreating hidden:yes recreated changed");
    EXPECT_FALSE(gone);
    EXPECT_TRUE(FloatingToolWindows().empty());
    EXPECT_EQ(b->geometry(), QRect(30, 26, 63, 26));
    EXPECT_EQ(b->DockedTo(), f.top);
    b->SetFullSize(true);
    Settle();
    EXPECT_EQ(b->width(), 400) << "docked, a full-size bar takes the dock's length";
}

TEST(ToolWindow, FailingHandlerLeavesDocksWorking) {
    Form f(true);
    f.Show();
    auto* a = new TTestBar;
    a->SetParent(f.top);
    auto* b = new TTestBar;
    b->SetParent(f.top);
    Settle();
    b->OnDockChangingHidden = [](TCustomToolWindow*, TDock*) {
        throw std::runtime_error("refused by handler");
    };
    for (TDock* target : {f.bottom, static_cast<TDock*>(nullptr)}) {
        EXPECT_THROW(b->SetDockedTo(target), std::runtime_error);
        EXPECT_EQ(b->parentWidget(), f.top);
        EXPECT_TRUE(b->isVisible()) << "shown again after the failure";
        EXPECT_TRUE(f.form.findChildren<TFloatingWindowParent*>().isEmpty());
    }
    // Both docks still arrange at once.
    const int top = f.top->ArrangeCount();
    const int bottom = f.bottom->ArrangeCount();
    a->SetDockPos(200);
    b->OnDockChangingHidden = nullptr;
    b->SetDockedTo(f.bottom);
    Settle();
    EXPECT_GT(f.top->ArrangeCount(), top);
    EXPECT_GT(f.bottom->ArrangeCount(), bottom);
    EXPECT_EQ(a->x(), 200);
    EXPECT_EQ(f.bottom->height(), 26);
}

TEST(ToolWindow, FloatingVisibility) {
    Form f(true);
    f.Show();
    auto* b = new TTestBar;
    b->SetParent(&f.form);
    Settle();
    EXPECT_TRUE(b->isVisible());

    // Follows its form: hidden, shown, minimised.
    f.form.hide();
    Settle();
    EXPECT_FALSE(b->isVisible());
    f.Show();
    EXPECT_TRUE(b->isVisible());
    f.form.showMinimized();
    Settle();
    EXPECT_FALSE(b->isVisible());
    // A window manager minimises the bar with its form: shown again, it is not minimised.
    ASSERT_TRUE(b->windowHandle());
    b->windowHandle()->setWindowStates(Qt::WindowMinimized);
    Settle();
    ASSERT_TRUE(b->windowState() & Qt::WindowMinimized);
    f.form.showNormal();
    f.Show();
    EXPECT_TRUE(b->isVisible());
    EXPECT_FALSE(b->windowState() & Qt::WindowMinimized);
    EXPECT_FALSE(b->windowHandle()->windowStates() & Qt::WindowMinimized);

    // The application's state decides, whether its change comes before the active window follows
    // it (as on X11) or after.
    auto state = [](Qt::ApplicationState s) {
        QApplicationStateChangeEvent e(s);
        QCoreApplication::sendEvent(qApp, &e);
    };
    state(Qt::ApplicationInactive);
    EXPECT_FALSE(b->isVisible());
    QApplication::setActiveWindow(nullptr);
    EXPECT_FALSE(b->isVisible());
    state(Qt::ApplicationActive);
    EXPECT_TRUE(b->isVisible());
    QApplication::setActiveWindow(&f.form);
    EXPECT_TRUE(b->isVisible());
    QApplication::setActiveWindow(nullptr);
    EXPECT_FALSE(b->isVisible());
    state(Qt::ApplicationInactive);
    EXPECT_FALSE(b->isVisible());
    QApplication::setActiveWindow(&f.form);
    EXPECT_TRUE(b->isVisible());
    state(Qt::ApplicationActive);
    EXPECT_TRUE(b->isVisible());
    // This platform activates a window it shows: that goes on to the form.
    Settle();
    EXPECT_EQ(QApplication::activeWindow(), &f.form);

    // Hidden while the application has no active window, or drawn inactive.
    QApplication::setActiveWindow(nullptr);
    Settle();
    EXPECT_FALSE(b->isVisible());
    EXPECT_TRUE(b->Visible()) << "the property stays";
    QApplication::setActiveWindow(&f.form);
    Settle();
    EXPECT_TRUE(b->isVisible());
    b->SetHideWhenInactive(false);
    QApplication::setActiveWindow(nullptr);
    Settle();
    EXPECT_TRUE(b->isVisible());
    EXPECT_TRUE(b->InactiveCaption());
    QApplication::setActiveWindow(&f.form);
    Settle();
    EXPECT_FALSE(b->InactiveCaption());

    // On top of all forms: no owner, topmost while enabled, stays with its form hidden.
    b->SetFloatingMode(fmOnTopOfAllForms);
    Settle();
    ASSERT_TRUE(b->windowHandle());
    EXPECT_EQ(b->windowHandle()->transientParent(), nullptr);
    EXPECT_TRUE(b->windowHandle()->flags() & Qt::WindowStaysOnTopHint);
    b->setEnabled(false);
    EXPECT_FALSE(b->windowHandle()->flags() & Qt::WindowStaysOnTopHint);
    b->setEnabled(true);
    f.form.hide();
    Settle();
    EXPECT_TRUE(b->isVisible());
    b->SetFloatingMode(fmOnTopOfParentForm);
    Settle();
    EXPECT_FALSE(b->isVisible());
    f.Show();

    // Escape hands the keyboard back to the form; closing the bar closes the form.
    b->activateWindow();
    QTest::keyClick(b, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&f.form));
    b->close();
    Settle();
    EXPECT_FALSE(f.form.isVisible());
    EXPECT_TRUE(b->Visible());
}

TEST(ToolWindow, ActivationGoesToTheForm) {
    Form f(true);
    f.Show();
    auto* b = new TTestBar({200, 22});
    auto* edit = new QLineEdit(b);
    b->SetParent(&f.form);
    Settle();
    ASSERT_TRUE(b->isVisible());
    edit->setGeometry(b->contentsRect().adjusted(100, 0, 0, 0));

    // The window manager is told not to activate a floating bar; one that activates it anyway
    // sees the activation handed on to the form.
    QWindow* win = b->windowHandle();
    EXPECT_TRUE(win->flags() & Qt::WindowDoesNotAcceptFocus);
    win->setFlag(Qt::WindowDoesNotAcceptFocus, false);
    win->requestActivate();
    Settle();
    EXPECT_EQ(QApplication::activeWindow(), &f.form);
    EXPECT_TRUE(win->flags() & Qt::WindowDoesNotAcceptFocus);

    // Its text field, pressed, takes the typing and keeps the bar active.
    QTest::mouseClick(win, Qt::LeftButton, {}, edit->geometry().center());
    Settle();
    EXPECT_EQ(QApplication::activeWindow(), b);
    EXPECT_EQ(QApplication::focusWidget(), edit);
    QTest::keyClicks(QApplication::focusWidget(), "tea");
    EXPECT_EQ(edit->text(), "tea");

    // Back on the form, a later activation of the bar goes on to the form again.
    f.form.activateWindow();
    Settle();
    EXPECT_EQ(QApplication::activeWindow(), &f.form);
    EXPECT_TRUE(win->flags() & Qt::WindowDoesNotAcceptFocus);
}

namespace {

std::vector<std::pair<THookCode, THookPayload>> gHeard;
void Listen(THookCode code, const THookPayload& payload) {
    gHeard.emplace_back(code, payload);
}
bool Heard(THookCode code, const std::function<bool(const THookPayload&)>& match) {
    for (auto& [c, p] : gHeard)
        if (c == code && match(p)) return true;
    return false;
}

} // namespace

TEST(ToolWindow, HooksFromRealEvents) {
    const int wnd = HookKindCount(hkCallWndProc);
    const int cbt = HookKindCount(hkCBT);
    auto* one = new TTestBar;
    auto* two = new TTestBar;
    EXPECT_EQ(HookKindCount(hkCallWndProc), wnd + 2);
    EXPECT_EQ(HookKindCount(hkCBT), cbt + 2);
    EXPECT_TRUE(HookKindInstalled(hkCallWndProc));
    delete one;
    EXPECT_TRUE(HookKindInstalled(hkCBT));
    delete two;
    EXPECT_EQ(HookKindCount(hkCallWndProc), wnd);
    EXPECT_EQ(HookKindInstalled(hkCBT), cbt > 0);

    gHeard.clear();
    RegisterHookCallback(Listen, HookCodeBit(hcActivateAppSent) |
                                     HookCodeBit(hcWindowPosChangedSent) |
                                     HookCodeBit(hcBeforeDestroy) | HookCodeBit(hcMouseMovePosted));
    auto* w = new QWidget;
    auto* child = new QWidget(w);
    child->setGeometry(50, 50, 40, 40);
    w->resize(200, 150);
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    EXPECT_TRUE(Heard(hcWindowPosChangedSent,
                      [&](auto& p) { return p.Window == w && (p.PosFlags & wpShown); }));
    QApplication::setActiveWindow(nullptr);
    Settle();
    EXPECT_TRUE(Heard(hcActivateAppSent, [](auto& p) { return !p.Active; }));
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    EXPECT_TRUE(Heard(hcActivateAppSent, [](auto& p) { return p.Active; }));
    QTest::mouseMove(w->windowHandle(), QPoint(60, 60));
    Settle();
    EXPECT_TRUE(Heard(hcMouseMovePosted, [&](auto& p) { return p.Target == child; }));
    QObject* surface = w->windowHandle();
    delete w;
    EXPECT_TRUE(Heard(hcBeforeDestroy, [&](auto& p) { return p.Surface == surface; }));
    UnregisterHookCallback(Listen);
}

TEST(ToolWindow, Lifetimes) {
    {
        // A dock goes with a docked bar and with a floating bar that remembers it.
        Form f(true);
        f.Show();
        auto* docked = new TTestBar;
        docked->SetParent(f.top);
        auto* floating = new TTestBar;
        floating->SetParent(f.top);
        floating->SetDefaultDock(f.top);
        floating->SetDockedTo(nullptr);
        QPointer<TTestBar> dockedAlive = docked;
        delete f.top;
        EXPECT_FALSE(dockedAlive);
        EXPECT_EQ(floating->LastDock(), nullptr);
        EXPECT_EQ(floating->DefaultDock(), nullptr);
        floating->SetDockedTo(f.bottom);
        Settle();
        EXPECT_EQ(f.bottom->height(), 26);
        delete floating;
        Settle();
        EXPECT_EQ(f.bottom->height(), 0);
    }
    {
        // A form goes with a floating bar; the bar's own floating parent dies once.
        auto f = std::make_unique<Form>(true);
        f->Show();
        auto* bar = new TTestBar;
        bar->SetParent(f->top);
        bar->SetDockedTo(nullptr);
        QPointer<TTestBar> alive = bar;
        f.reset();
        EXPECT_FALSE(alive);
        EXPECT_TRUE(FloatingToolWindows().empty());
    }
    {
        // A floating bar deleted takes its floating parent along.
        Form f(false);
        f.Show();
        auto* bar = new TTestBar;
        bar->SetParent(&f.form);
        QPointer<TFloatingWindowParent> fp = bar->FloatingParent();
        delete bar;
        EXPECT_FALSE(fp);
    }
}

TEST(ToolWindow, LoadingDefersAndPlacesRelativeToForm) {
    Form f(false);
    f.form.move(100, 80);
    f.Show();
    BeginLoading(&f.form);
    auto* docked = new TTestBar;
    docked->SetParent(f.top);
    auto* floating = new TTestBar;
    floating->SetParent(&f.form);
    floating->SetBounds({20, 10, 58, 45});
    const int arranged = f.top->ArrangeCount();
    EXPECT_EQ(f.top->height(), 0) << "nothing arranged while loading";
    Loaded(&f.form);
    Settle();
    EXPECT_GT(f.top->ArrangeCount(), arranged);
    EXPECT_EQ(f.top->height(), 26);
    const QPoint want = f.form.mapToGlobal(QPoint(20, 10));
    EXPECT_EQ(floating->pos(), MoveRectOnScreen({want, QSize(58, 45)},
                                                WorkAreaOfRect(QRect(want, QSize(58, 45))), false)
                                   .topLeft());
    EXPECT_EQ(floating->FloatingPosition(), floating->pos());
}
