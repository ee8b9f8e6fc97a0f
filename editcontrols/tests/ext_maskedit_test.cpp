#include "maskedit.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

using namespace fprn::editcontrols;

namespace {

struct ErrorCatcher {
    std::vector<std::string> messages;
    std::function<void(const std::string&)> previous;
    ErrorCatcher() {
        previous = SetEditErrorHook([this](const std::string& m) { messages.push_back(m); });
    }
    ~ErrorCatcher() { SetEditErrorHook(previous); }
};

struct BeepCounter {
    int beeps = 0;
    std::function<void()> previous;
    BeepCounter() {
        previous = SetEditBeepHook([this] { ++beeps; });
    }
    ~BeepCounter() { SetEditBeepHook(previous); }
};

} // namespace

TEST(MaskEdit, UnmaskedTextIsTheWindowText) {
    TInplaceMaskEdit e;
    EXPECT_FALSE(e.IsMasked());
    e.SetText("  padded  ");
    EXPECT_EQ(e.text(), "  padded  ");
    EXPECT_EQ(e.Text(), "  padded  ");
    EXPECT_TRUE(e.inputMask().isEmpty());
}

TEST(MaskEdit, UnmaskedPasteKeysPasteOnceThroughAPostedRequest) {
    TInplaceMaskEdit e;
    e.show();
    e.setFocus();
    QApplication::processEvents();
    QGuiApplication::clipboard()->setText("ab");
    QTest::keyClick(&e, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(e.text(), "") << "posted, not yet done";
    QApplication::processEvents();
    EXPECT_EQ(e.text(), "ab");
    QTest::keyClick(&e, Qt::Key_V, Qt::ControlModifier);
    QApplication::processEvents();
    EXPECT_EQ(e.text(), "abab");
}

TEST(MaskEdit, UnmaskedEscapeUndoesOnce) {
    TInplaceMaskEdit e;
    e.SetText("old");
    e.show();
    e.setFocus();
    QApplication::processEvents();
    e.end(false);
    QTest::keyClicks(&e, "er");
    EXPECT_EQ(e.text(), "older");
    QTest::keyClick(&e, Qt::Key_Escape);
    EXPECT_EQ(e.text(), "old");
    EXPECT_FALSE(e.GetModified());
    QTest::keyClick(&e, Qt::Key_Escape);
    EXPECT_EQ(e.text(), "old");
}

TEST(MaskEdit, TypingThroughTheMask) {
    BeepCounter beeps;
    TInplaceMaskEdit e;
    e.SetEditMask("00:00;1;_");
    EXPECT_EQ(e.text(), "__:__");
    EXPECT_EQ(e.maxLength(), 5);
    e.show();
    e.setFocus();
    QApplication::processEvents();
    e.setCursorPosition(0);
    QTest::keyClicks(&e, "1x2");
    EXPECT_EQ(e.text(), "12:__");
    EXPECT_EQ(beeps.beeps, 1);
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
}

TEST(MaskEdit, SaveLiteralsOff) {
    TInplaceMaskEdit e;
    e.SetEditMask("00/00;0;_");
    e.SetText("1231");
    EXPECT_EQ(e.text(), "12/31");
    EXPECT_EQ(e.Text(), "1231");
}

TEST(MaskEdit, ChangingTheMaskKeepsTheInput) {
    TInplaceMaskEdit e;
    e.SetText("1234");
    e.SetEditMask("99-99;1;_");
    EXPECT_EQ(e.text(), "12-34");
    e.SetEditMask("");
    EXPECT_EQ(e.text(), "1234");
}

TEST(MaskEdit, CaseDirectives) {
    TInplaceMaskEdit e;
    e.SetEditMask(">LL<ll;1;_");
    e.show();
    e.setFocus();
    QApplication::processEvents();
    e.setCursorPosition(0);
    QTest::keyClicks(&e, "abCD");
    EXPECT_EQ(e.text(), "ABcd");
}

TEST(MaskEdit, LeavingWithARequiredBlankFails) {
    ErrorCatcher errors;
    BeepCounter beeps;
    QWidget form;
    auto* e = new TInplaceMaskEdit(&form);
    auto* other = new TInplaceMaskEdit(&form);
    other->move(0, 40);
    e->SetEditMask("00-00;1;_");
    form.show();
    e->setFocus();
    QApplication::processEvents();
    e->setCursorPosition(0);
    QTest::keyClicks(e, "12");
    other->setFocus();
    QApplication::processEvents();
    QApplication::processEvents();
    ASSERT_EQ(errors.messages.size(), 1u);
    EXPECT_EQ(errors.messages[0], "Invalid input value.  Use escape key to abandon changes");
    EXPECT_GE(beeps.beeps, 1);
    EXPECT_TRUE(e->hasFocus()) << "the focus comes back";
    EXPECT_EQ(e->text(), "12-__");
    EXPECT_EQ(e->SelStart(), 3) << "at the offending position";
    QTest::keyClick(e, Qt::Key_Escape);
    EXPECT_EQ(e->text(), "__-__") << "Escape restores the text of the entry";
    other->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(errors.messages.size(), 1u) << "an unmodified edit leaves silently";
    EXPECT_TRUE(other->hasFocus());
}

TEST(MaskEdit, ClearFromTheMenuBlanksEveryPosition) {
    TInplaceMaskEdit e;
    e.SetEditMask("00:00;1;_");
    e.SetText("12:34");
    e.SetSel(0, 1);
    for (QAction* a : e.EditContextMenu()->actions())
        if (a->data().toInt() == -6) a->trigger();
    EXPECT_EQ(e.text(), "__:__");
    EXPECT_TRUE(e.GetModified());
}

TEST(MaskEdit, PasteFitsTheMask) {
    ErrorCatcher errors;
    TInplaceMaskEdit e;
    e.SetEditMask("00:00;1;_");
    e.SetIgnoreBlanks(true);
    QGuiApplication::clipboard()->setText("0930");
    e.SetSel(0, 0);
    e.PasteFromClipboard();
    EXPECT_EQ(e.text(), "09:30");
    QGuiApplication::clipboard()->setText("7a");
    e.SetSel(3, 3);
    e.PasteFromClipboard();
    EXPECT_EQ(e.text(), "09:7_");
    EXPECT_TRUE(errors.messages.empty());
}

TEST(MaskEdit, StandaloneEnterValidates) {
    ErrorCatcher errors;
    TMaskEdit e;
    EXPECT_EQ(e.size(), QSize(121, 21));
    EXPECT_FALSE(e.IsInplace());
    e.SetEditMask("9999;1;_");
    e.show();
    e.setFocus();
    QApplication::processEvents();
    e.setCursorPosition(0);
    QTest::keyClicks(&e, "20");
    QTest::keyClick(&e, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_TRUE(errors.messages.empty()) << "optional positions may stay blank";
    EXPECT_EQ(e.Text(), "20  ");
    e.SetEditMask("00;1;_");
    e.SetText("");
    e.SetModified(true);
    QTest::keyClick(&e, Qt::Key_Return);
    QApplication::processEvents();
    ASSERT_EQ(errors.messages.size(), 1u);
    EXPECT_EQ(errors.messages[0], kMaskInvalidInputText);
}
