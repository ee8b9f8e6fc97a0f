// The mask edit: unmasked, the text edit with posted paste keys; masked, keys, paste, clear and
// the exit check go through the mask.
#include "maskedit.h"
#include "widgettest.h"

#include <QAction>
#include <QClipboard>
#include <QMenu>

using namespace fprn::editcontrols;
using test::Hooks;

namespace {

using Form = test::TwoEdits<TInplaceMaskEdit>;

TEST(MaskEdit, UnmaskedEscapeUndoesOnceAndPasteKeysPost) {
    Form f;
    TInplaceMaskEdit& e = *f.a;
    EXPECT_FALSE(e.IsMasked());
    e.SetText("  padded  ");
    EXPECT_EQ(e.text(), "  padded  ");
    EXPECT_EQ(e.Text(), "  padded  ");
    EXPECT_TRUE(e.inputMask().isEmpty());
    e.SetText("old");
    f.Focus(f.b);
    f.Focus(f.a);
    e.end(false);
    QTest::keyClicks(&e, "er");
    EXPECT_EQ(e.text(), "older");
    QTest::keyClick(&e, Qt::Key_Escape);
    EXPECT_EQ(e.text(), "old");
    EXPECT_FALSE(e.GetModified());
    QTest::keyClick(&e, Qt::Key_Escape);
    EXPECT_EQ(e.text(), "old");
    // The paste keys post one paste request each.
    QGuiApplication::clipboard()->setText("ab");
    e.end(false);
    QTest::keyClick(&e, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(e.text(), "old") << "posted, not yet done";
    test::Settle();
    EXPECT_EQ(e.text(), "oldab");
    QTest::keyClick(&e, Qt::Key_V, Qt::ControlModifier);
    test::Settle();
    EXPECT_EQ(e.text(), "oldabab");
}

TEST(MaskEdit, TypingThroughTheMask) {
    Hooks hooks;
    Form f;
    TInplaceMaskEdit& e = *f.a;
    e.SetEditMask("00:00;1;_");
    EXPECT_EQ(e.text(), "__:__");
    EXPECT_EQ(e.maxLength(), 5);
    e.setCursorPosition(0);
    QTest::keyClicks(&e, "1x2");
    EXPECT_EQ(e.text(), "12:__");
    EXPECT_EQ(hooks.beeps, 1);
    QTest::keyClicks(&e, ":3");
    EXPECT_EQ(e.text(), "12:3_") << "the literal typed steps over it";
    EXPECT_EQ(e.Text(), "12:3 ");
    QTest::keyClick(&e, Qt::Key_Backspace);
    EXPECT_EQ(e.text(), "12:__");
    QTest::keyClick(&e, Qt::Key_Backspace);
    EXPECT_EQ(e.text(), "1_:__");
    QTest::keyClick(&e, Qt::Key_Home);
    QTest::keyClick(&e, Qt::Key_Delete);
    EXPECT_EQ(e.text(), "__:__");
    EXPECT_TRUE(e.GetModified());
    // Case directives.
    e.SetEditMask(">LL<ll;1;_");
    e.setCursorPosition(0);
    QTest::keyClicks(&e, "abCD");
    EXPECT_EQ(e.text(), "ABcd");
}

TEST(MaskEdit, ChangingTheMaskKeepsTheInputAndSaveLiteralsOff) {
    TInplaceMaskEdit e;
    e.SetText("1234");
    e.SetEditMask("99-99;1;_");
    EXPECT_EQ(e.text(), "12-34");
    e.SetEditMask("");
    EXPECT_EQ(e.text(), "1234");
    e.SetEditMask("00/00;0;_");
    e.SetText("1231");
    EXPECT_EQ(e.text(), "12/31");
    EXPECT_EQ(e.Text(), "1231");
}

TEST(MaskEdit, LeavingWithARequiredBlankFails) {
    Hooks hooks;
    Form f;
    TInplaceMaskEdit* e = f.a;
    e->SetEditMask("00-00;1;_");
    f.Focus(f.b);
    f.Focus(e);
    e->setCursorPosition(0);
    QTest::keyClicks(e, "12");
    f.Focus(f.b);
    EXPECT_EQ(hooks.Events(),
              "beep, error Invalid input value.  Use escape key to abandon changes");
    EXPECT_EQ(test::State(*e), "focus active modified '12-__'") << "the focus comes back";
    EXPECT_EQ(e->SelStart(), 3) << "at the offending position";
    QTest::keyClick(e, Qt::Key_Escape);
    EXPECT_EQ(e->text(), "__-__") << "Escape restores the text of the entry";
    f.Focus(f.b);
    EXPECT_EQ(hooks.Events(), "") << "an unmodified edit leaves silently";
    EXPECT_TRUE(f.b->hasFocus());
}

TEST(MaskEdit, ClearAndPasteFitTheMask) {
    Hooks hooks;
    TInplaceMaskEdit e;
    e.SetEditMask("00:00;1;_");
    e.SetText("12:34");
    // Delete from the menu blanks every position.
    e.SetSel(0, 1);
    for (QAction* a : e.EditContextMenu()->actions())
        if (a->data().toInt() == -6) a->trigger();
    EXPECT_EQ(e.text(), "__:__");
    EXPECT_TRUE(e.GetModified());
    e.SetIgnoreBlanks(true);
    QGuiApplication::clipboard()->setText("0930");
    e.SetSel(0, 0);
    e.PasteFromClipboard();
    EXPECT_EQ(e.text(), "09:30");
    QGuiApplication::clipboard()->setText("7a");
    e.SetSel(3, 3);
    e.PasteFromClipboard();
    EXPECT_EQ(e.text(), "09:7_");
    EXPECT_TRUE(hooks.errors.empty());
}

TEST(MaskEdit, StandaloneEnterValidates) {
    EXPECT_EQ(TMaskEdit().size(), QSize(121, 21));
    Hooks hooks;
    test::TwoEdits<TMaskEdit> f;
    TMaskEdit& e = *f.a;
    EXPECT_FALSE(e.IsInplace());
    e.SetEditMask("9999;1;_");
    e.setCursorPosition(0);
    QTest::keyClicks(&e, "20");
    QTest::keyClick(&e, Qt::Key_Return);
    test::Settle();
    EXPECT_TRUE(hooks.errors.empty()) << "optional positions may stay blank";
    EXPECT_EQ(e.Text(), "20  ");
    e.SetEditMask("00;1;_");
    e.SetText("");
    e.SetModified(true);
    QTest::keyClick(&e, Qt::Key_Return);
    test::Settle();
    EXPECT_EQ(hooks.errors, std::vector<std::string>{kMaskInvalidInputText});
}

} // namespace
