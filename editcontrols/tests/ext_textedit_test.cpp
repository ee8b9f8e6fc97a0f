// The text edit: text limit, change and modified, selection, the context menu and popup menus,
// the ways text comes in besides typing, and selection on entry and exit.
#include "textedit.h"
#include "widgettest.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMimeData>

using namespace fprn::editcontrols;

namespace {

QAction* MenuAction(TInplaceTextEdit& e, int tag) {
    for (QAction* a : e.EditContextMenu()->actions())
        if (a->data().toInt() == tag) return a;
    return nullptr;
}

using Form = test::TwoEdits<TInplaceTextEdit>;

TEST(TextEdit, TextLimitChangeAndModified) {
    Form f;
    TInplaceTextEdit& e = *f.a;
    EXPECT_EQ(e.MaxLength(), 0);
    EXPECT_EQ(e.maxLength(), TInplaceTextEdit::kDefaultTextLimit) << "0 is the default limit";
    e.SetMaxLength(-4);
    EXPECT_EQ(e.MaxLength(), 0);
    EXPECT_EQ(e.StoredValues(), kStoredMaxLength);
    int changes = 0;
    e.OnChange = [&](TInplaceEdit*) { ++changes; };
    e.SetText("1");
    e.SetText("1");
    EXPECT_EQ(changes, 1) << "the same text is no change";
    EXPECT_FALSE(e.GetModified());
    e.SetEditValue("2");
    EXPECT_EQ(e.text(), "2");
    EXPECT_EQ(changes, 1) << "assigning a value fires no change";
    EXPECT_FALSE(e.CanUndo());
    e.SetMaxLength(3);
    e.end(false);
    QTest::keyClicks(&e, "345");
    EXPECT_EQ(e.text(), "234") << "typing stops at the limit";
    EXPECT_TRUE(e.GetModified());
    EXPECT_EQ(changes, 3);
    e.EmptyUndoBuffer();
    EXPECT_FALSE(e.CanUndo());
    EXPECT_TRUE(e.GetModified()) << "emptying the history keeps the flag";
    EXPECT_EQ(e.text(), "234");
    e.SetText("abcdef");
    EXPECT_EQ(e.text(), "abcdef") << "a text set from outside is kept whole";
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

TEST(TextEdit, ContextMenuItemsStatesAndCommands) {
    TInplaceTextEdit e;
    const QList<QAction*> actions = e.EditContextMenu()->actions();
    ASSERT_EQ(actions.size(), 9);
    const char* captions[] = {"&Undo",  "&Redo",   "", "Cu&t",       "&Copy",
                              "&Paste", "&Delete", "", "Select &All"};
    const int separator = 2147483647;
    const int tags[] = {-1, -2, separator, -3, -4, -5, -6, separator, -7};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(actions[i]->text(), QString::fromLatin1(captions[i])) << i;
        EXPECT_EQ(actions[i]->data().toInt(), tags[i]) << i;
        EXPECT_EQ(actions[i]->isSeparator(), tags[i] == separator);
    }
    // Commands (-1 undo, -2 redo, -3 cut, -4 copy, -5 paste, -6 delete, -7 select all).
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
    e.SetSel(0, 0);
    MenuAction(e, -7)->trigger();
    EXPECT_EQ(e.SelLength(), 4);
    // Enabled states as shown: read-only copies and selects only.
    auto enabled = [&](int tag) {
        e.UpdateEditContextMenu();
        return MenuAction(e, tag)->isEnabled();
    };
    EXPECT_FALSE(enabled(-3) || enabled(-5) || enabled(-6));
    EXPECT_TRUE(enabled(-4));
    e.SetReadOnly(false);
    e.SetSel(1, 1);
    EXPECT_FALSE(enabled(-3) || enabled(-4) || enabled(-6));
    EXPECT_TRUE(enabled(-7));
    e.SetSel(0, -1);
    EXPECT_TRUE(enabled(-3) && enabled(-4) && enabled(-5));
    EXPECT_FALSE(enabled(-7)) << "everything is selected";
    QGuiApplication::clipboard()->clear();
    EXPECT_FALSE(enabled(-5)) << "nothing to paste";
}

TEST(TextEdit, NoEditMenuWhenAParentHasAPopupMenu) {
    QWidget form;
    QWidget panel(&form);
    TInplaceTextEdit e(&panel);
    form.show();
    int others = 0;
    QObject::connect(&form, &QWidget::customContextMenuRequested, &form, [&] { ++others; });
    QMenu formMenu;
    SetPopupMenu(&form, &formMenu);
    SetPopupMenu(&form, &formMenu);
    EXPECT_EQ(PopupMenu(&form), &formMenu);
    auto rightClick = [&](QPoint at) {
        QContextMenuEvent ev(QContextMenuEvent::Mouse, at, e.mapToGlobal(at));
        QApplication::sendEvent(&e, &ev);
    };
    rightClick(QPoint(5, 5));
    EXPECT_FALSE(e.EditContextMenu()->isVisible());
    EXPECT_TRUE(formMenu.isVisible()) << "the form's own menu shows instead";
    EXPECT_EQ(others, 1) << "other listeners are told once";
    formMenu.hide();

    SetPopupMenu(&form, nullptr);
    EXPECT_EQ(PopupMenu(&form), nullptr);
    EXPECT_EQ(form.contextMenuPolicy(), Qt::DefaultContextMenu);
    rightClick(QPoint(5, 5));
    EXPECT_TRUE(e.EditContextMenu()->isVisible());
    e.EditContextMenu()->hide();
    rightClick(QPoint(0, 0));
    EXPECT_FALSE(e.EditContextMenu()->isVisible()) << "a click outside the text area";
}

TEST(TextEdit, PasteCompositionAndDrops) {
    Form f;
    TInplaceTextEdit& e = *f.a;
    // A paste takes the first line only.
    QGuiApplication::clipboard()->setText("one\r\ntwo");
    e.PasteFromClipboard();
    EXPECT_EQ(e.text(), "one");
    // An input-method commit is a paste.
    e.SetText("");
    QInputMethodEvent ime;
    ime.setCommitString("xy");
    QApplication::sendEvent(&e, &ime);
    EXPECT_EQ(e.text(), "xy");
    EXPECT_TRUE(e.GetModified());
    // Read-only: neither commit nor keys change the text, arrows still move.
    e.SetReadOnly(true);
    QApplication::sendEvent(&e, &ime);
    QGuiApplication::clipboard()->setText("zz");
    QTest::keyClick(&e, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(&e, Qt::Key_Insert, Qt::ShiftModifier);
    QTest::keyClick(&e, Qt::Key_Backspace);
    QTest::keyClicks(&e, "q");
    EXPECT_EQ(e.text(), "xy");
    QTest::keyClick(&e, Qt::Key_Left);
    EXPECT_EQ(e.SelStart(), 1);
    // Nothing is dragged out or dropped.
    EXPECT_FALSE(e.acceptDrops());
    EXPECT_FALSE(e.dragEnabled());
    e.SetReadOnly(false);
    QMimeData data;
    data.setText("dropped");
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&e, &enter);
    EXPECT_FALSE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&e, &drop);
    EXPECT_EQ(e.text(), "xy");
}

TEST(TextEdit, AutoSelectAndHideSelection) {
    Form f;
    f.a->SetText("abcdef");
    f.b->SetText("uvwxyz");
    f.b->SetModified(true);
    f.b->SetAutoSelect(false);
    f.b->SetHideSelection(false);
    EXPECT_FALSE(f.b->HideSelection());
    EXPECT_TRUE(f.b->GetModified()) << "changing HideSelection keeps the flag and the text";
    EXPECT_EQ(f.b->text(), "uvwxyz");
    // Entry selects everything unless AutoSelect is off: off undoes the selection the window
    // makes itself on a Tab entry, on selects on any entry (here a programmatic one).
    f.Focus(f.b, Qt::TabFocusReason);
    EXPECT_EQ(f.b->SelLength(), 0);
    f.Focus(f.a);
    EXPECT_EQ(f.a->SelLength(), 6);
    // Leaving hides the selection, unless HideSelection is off (a selection short of the end).
    f.a->SetSel(1, 4);
    f.Focus(f.b);
    EXPECT_EQ(f.a->SelLength(), 0);
    f.b->SetSel(1, 4);
    f.Focus(f.a);
    EXPECT_EQ(f.b->SelStart(), 1);
    EXPECT_EQ(f.b->SelLength(), 3);
}

} // namespace
