#include "textedit.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace fprn::editcontrols;

namespace {

QAction* MenuAction(TInplaceTextEdit& e, int tag) {
    for (QAction* a : e.EditContextMenu()->actions())
        if (a->data().toInt() == tag) return a;
    return nullptr;
}

void Type(QWidget& w, const QString& keys) {
    QTest::keyClicks(&w, keys);
}

} // namespace

TEST(TextEdit, TextLimit) {
    TInplaceTextEdit e;
    EXPECT_EQ(e.MaxLength(), 0);
    EXPECT_EQ(e.maxLength(), TInplaceTextEdit::kDefaultTextLimit) << "0 is the default limit";
    e.SetMaxLength(-4);
    EXPECT_EQ(e.MaxLength(), 0);
    EXPECT_EQ(e.StoredValues() & kStoredMaxLength, kStoredMaxLength);
    e.SetMaxLength(3);
    e.show();
    e.setFocus();
    QApplication::processEvents();
    Type(e, "12345");
    EXPECT_EQ(e.text(), "123") << "typing stops at the limit";
    e.SetText("abcdef");
    EXPECT_EQ(e.text(), "abcdef") << "a text set from outside is kept whole";
    e.SetText("ab");
    Type(e, "xyz");
    EXPECT_EQ(e.text(), "abx");
}

TEST(TextEdit, ChangeAndModified) {
    TInplaceTextEdit e;
    int changes = 0;
    e.OnChange = [&](TInplaceEdit*) { ++changes; };
    e.SetText("1");
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(e.GetModified());
    e.SetText("1");
    EXPECT_EQ(changes, 1) << "the same text is no change";
    e.SetEditValue("2");
    EXPECT_EQ(e.text(), "2");
    EXPECT_EQ(changes, 1) << "assigning a value fires no change";
    EXPECT_FALSE(e.CanUndo());
    e.show();
    e.setFocus();
    QApplication::processEvents();
    e.end(false);
    Type(e, "3");
    EXPECT_TRUE(e.GetModified());
    EXPECT_EQ(changes, 2);
    e.EmptyUndoBuffer();
    EXPECT_FALSE(e.CanUndo());
    EXPECT_TRUE(e.GetModified()) << "emptying the history keeps the flag";
    EXPECT_EQ(e.text(), "23");
}

TEST(TextEdit, SelectionOperations) {
    TInplaceTextEdit e;
    e.SetText("hello world");
    e.SetSel(6, 11);
    EXPECT_EQ(e.SelStart(), 6);
    EXPECT_EQ(e.SelLength(), 5);
    EXPECT_EQ(e.SelText(), "world");
    QString buf;
    EXPECT_EQ(e.GetSelTextBuf(buf, 3), 3);
    EXPECT_EQ(buf, "wor");
    e.SetSelStart(2);
    EXPECT_EQ(e.SelLength(), 0);
    e.SetSelLength(3);
    EXPECT_EQ(e.SelText(), "llo");
    e.SetSel(0, -1);
    EXPECT_EQ(e.SelLength(), 11);
    int changes = 0;
    e.OnSelectionChange = [&](TInplaceEdit*) { ++changes; };
    e.SetSel(1, 2);
    EXPECT_GE(changes, 1);
    const int before = changes;
    e.SetSel(1, 2);
    EXPECT_EQ(changes, before) << "no report when nothing moved";
}

TEST(TextEdit, ContextMenuItemsAndStates) {
    TInplaceTextEdit e;
    QMenu* menu = e.EditContextMenu();
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 9);
    const char* captions[] = {"&Undo",  "&Redo",   "", "Cu&t",       "&Copy",
                              "&Paste", "&Delete", "", "Select &All"};
    const int tags[] = {-1, -2, 2147483647, -3, -4, -5, -6, 2147483647, -7};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(actions[i]->text(), QString::fromLatin1(captions[i])) << i;
        EXPECT_EQ(actions[i]->data().toInt(), tags[i]) << i;
        EXPECT_EQ(actions[i]->isSeparator(), tags[i] == 2147483647);
    }
    e.SetText("abc");
    e.SetSel(1, 1);
    e.UpdateEditContextMenu();
    EXPECT_FALSE(MenuAction(e, -3)->isEnabled());
    EXPECT_FALSE(MenuAction(e, -4)->isEnabled());
    EXPECT_FALSE(MenuAction(e, -6)->isEnabled());
    EXPECT_TRUE(MenuAction(e, -7)->isEnabled());
    e.SetSel(0, -1);
    e.UpdateEditContextMenu();
    EXPECT_TRUE(MenuAction(e, -3)->isEnabled());
    EXPECT_TRUE(MenuAction(e, -4)->isEnabled());
    EXPECT_FALSE(MenuAction(e, -7)->isEnabled()) << "everything is selected";
    e.SetReadOnly(true);
    e.UpdateEditContextMenu();
    EXPECT_FALSE(MenuAction(e, -3)->isEnabled());
    EXPECT_TRUE(MenuAction(e, -4)->isEnabled());
    EXPECT_FALSE(MenuAction(e, -5)->isEnabled());
    EXPECT_FALSE(MenuAction(e, -6)->isEnabled());
}

TEST(TextEdit, MenuCommandsGoThroughTheClipboardRules) {
    TInplaceTextEdit e;
    e.SetText("abcd");
    e.SetSel(1, 3);
    MenuAction(e, -4)->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "bc");
    MenuAction(e, -6)->trigger();
    EXPECT_EQ(e.text(), "ad");
    e.SetSel(1, 1);
    MenuAction(e, -5)->trigger();
    EXPECT_EQ(e.text(), "abcd");
    MenuAction(e, -1)->trigger();
    EXPECT_EQ(e.text(), "ad");
    MenuAction(e, -2)->trigger();
    EXPECT_EQ(e.text(), "abcd");
    e.SetReadOnly(true);
    e.SetSel(0, -1);
    MenuAction(e, -3)->trigger();
    EXPECT_EQ(e.text(), "abcd") << "a read-only edit is not cut";
    MenuAction(e, -7)->trigger();
    EXPECT_EQ(e.SelLength(), 4);
}

TEST(TextEdit, PasteTakesTheFirstLine) {
    TInplaceTextEdit e;
    QGuiApplication::clipboard()->setText("one\r\ntwo");
    e.PasteFromClipboard();
    EXPECT_EQ(e.text(), "one");
}

TEST(TextEdit, NoEditMenuWhenAParentHasAPopupMenu) {
    QWidget form;
    QWidget panel(&form);
    TInplaceTextEdit e(&panel);
    form.show();
    QMenu formMenu;
    SetPopupMenu(&form, &formMenu);
    QContextMenuEvent ev(QContextMenuEvent::Mouse, QPoint(5, 5), e.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&e, &ev);
    EXPECT_FALSE(e.EditContextMenu()->isVisible());
    EXPECT_TRUE(formMenu.isVisible()) << "the form's own menu shows instead";
    formMenu.hide();

    SetPopupMenu(&form, nullptr);
    QContextMenuEvent again(QContextMenuEvent::Mouse, QPoint(5, 5), e.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&e, &again);
    EXPECT_TRUE(e.EditContextMenu()->isVisible());
    e.EditContextMenu()->hide();

    // A click outside the text area opens nothing.
    QContextMenuEvent outside(QContextMenuEvent::Mouse, QPoint(0, 0), e.mapToGlobal(QPoint(0, 0)));
    QApplication::sendEvent(&e, &outside);
    EXPECT_FALSE(e.EditContextMenu()->isVisible());
}

TEST(TextEdit, DropsAreRefused) {
    TInplaceTextEdit e;
    e.SetText("keep");
    e.show();
    EXPECT_FALSE(e.acceptDrops());
    EXPECT_FALSE(e.dragEnabled());
    QMimeData data;
    data.setText("dropped");
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&e, &enter);
    EXPECT_FALSE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&e, &drop);
    EXPECT_EQ(e.text(), "keep");
}

TEST(TextEdit, InputMethodCommitIsAPaste) {
    TInplaceTextEdit e;
    e.show();
    e.setFocus();
    QApplication::processEvents();
    QInputMethodEvent ime;
    ime.setCommitString("xy");
    QApplication::sendEvent(&e, &ime);
    EXPECT_EQ(e.text(), "xy");
    EXPECT_TRUE(e.GetModified());
    e.SetReadOnly(true);
    QInputMethodEvent refused;
    refused.setCommitString("z");
    QApplication::sendEvent(&e, &refused);
    EXPECT_EQ(e.text(), "xy");
}

TEST(TextEdit, ReadOnlyDropsEditingKeys) {
    TInplaceTextEdit e;
    e.SetText("abc");
    e.SetReadOnly(true);
    e.show();
    e.setFocus();
    QApplication::processEvents();
    QGuiApplication::clipboard()->setText("zz");
    e.SetSel(3, 3);
    QTest::keyClick(&e, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(&e, Qt::Key_Insert, Qt::ShiftModifier);
    QTest::keyClick(&e, Qt::Key_Backspace);
    QTest::keyClick(&e, Qt::Key_Delete);
    Type(e, "q");
    EXPECT_EQ(e.text(), "abc");
    QTest::keyClick(&e, Qt::Key_Left);
    EXPECT_EQ(e.SelStart(), 2) << "arrows still move";
}

TEST(TextEdit, ModifiedSurvivesHideSelectionChange) {
    TInplaceTextEdit e;
    e.SetText("abc");
    e.SetModified(true);
    e.SetHideSelection(false);
    EXPECT_FALSE(e.HideSelection());
    EXPECT_TRUE(e.GetModified());
    EXPECT_EQ(e.text(), "abc");
}

TEST(TextEdit, PopupMenuLeavesOtherListenersAlone) {
    QWidget form;
    int others = 0;
    QObject::connect(&form, &QWidget::customContextMenuRequested, &form, [&] { ++others; });
    QMenu menu;
    SetPopupMenu(&form, &menu);
    SetPopupMenu(&form, &menu);
    EXPECT_EQ(PopupMenu(&form), &menu);
    emit form.customContextMenuRequested(QPoint(1, 1));
    EXPECT_EQ(others, 1);
    menu.hide();
    SetPopupMenu(&form, nullptr);
    EXPECT_EQ(PopupMenu(&form), nullptr);
    EXPECT_EQ(form.contextMenuPolicy(), Qt::DefaultContextMenu);
}

TEST(TextEdit, AutoSelectOnEntry) {
    QWidget form;
    auto* a = new TInplaceTextEdit(&form);
    auto* b = new TInplaceTextEdit(&form);
    b->move(0, 30);
    a->SetText("abc");
    b->SetText("xyz");
    b->SetAutoSelect(false);
    form.show();
    a->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(a->SelLength(), 3);
    b->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(b->SelLength(), 0);
}

TEST(TextEdit, HideSelectionOffKeepsTheSelectionUnfocused) {
    QWidget form;
    auto* hides = new TInplaceTextEdit(&form);
    auto* shows = new TInplaceTextEdit(&form);
    auto* sink = new TInplaceTextEdit(&form);
    shows->move(0, 30);
    sink->move(0, 60);
    shows->SetHideSelection(false);
    form.show();
    for (TInplaceTextEdit* e : {hides, shows}) {
        e->SetText("abcdef");
        e->setFocus();
        QApplication::processEvents();
        e->SetSel(1, 4);
        sink->setFocus();
        QApplication::processEvents();
    }
    EXPECT_EQ(hides->SelLength(), 0);
    EXPECT_EQ(shows->SelStart(), 1);
    EXPECT_EQ(shows->SelLength(), 3);
}
