// StoredValues bookkeeping, the entry record behind Escape, and the exit check.
#include "editstate.h"

#include <gtest/gtest.h>

namespace fprn::editcontrols {
namespace {

TEST(EditStoredValues, OnlyTheLowByteIsStreamed) {
    EXPECT_EQ(StoredValuesToStream(0), std::nullopt);
    EXPECT_EQ(StoredValuesToStream(kStoredMaxLength | kStoredMaxValue), 18);
    // DisplayFormat alone still writes an entry, holding 0.
    EXPECT_EQ(StoredValuesToStream(kStoredDisplayFormat), 0);
    EXPECT_EQ(StoredValuesToStream(kStoredDisplayFormat | kStoredReadOnly), 0x40);
}

TEST(EditStoredValues, ReadingReplacesTheLowByteAndKeepsTheHighBits) {
    // Setters read before the entry set Alignment and DisplayFormat; the entry says 18.
    const TStoredValues afterSetters = kStoredAlignment | kStoredDisplayFormat;
    EXPECT_EQ(StoredValuesFromStream(afterSetters, 18),
              kStoredDisplayFormat | kStoredMaxLength | kStoredMaxValue);
    EXPECT_EQ(StoredValuesFromStream(kStoredDisplayFormat, 0), kStoredDisplayFormat);
    EXPECT_EQ(StoredValuesFromStream(0, 0x1FF), 0xFF);
}

TEST(EditActivation, RemembersTextAndModifiedFlagOnEachChange) {
    TActivation a;
    EXPECT_FALSE(a.Active());
    EXPECT_TRUE(a.SetActive(true, false, "12.50"));
    EXPECT_TRUE(a.Active());
    EXPECT_EQ(a.PreviousText(), "12.50");
    EXPECT_FALSE(a.PreviousModified());
    // The same state again keeps the record.
    EXPECT_FALSE(a.SetActive(true, true, "99"));
    EXPECT_EQ(a.PreviousText(), "12.50");
    EXPECT_TRUE(a.SetActive(false, true, "99"));
    EXPECT_EQ(a.PreviousText(), "99");
    EXPECT_TRUE(a.PreviousModified());
}

TEST(EditActivation, UndoOnlyForAModifiedEditWithAnEditWindow) {
    TActivation a;
    a.SetActive(true, false, "7");
    EXPECT_EQ(a.UndoTarget(false, true), std::nullopt);
    EXPECT_EQ(a.UndoTarget(true, false), std::nullopt);
    const auto undo = a.UndoTarget(true, true);
    ASSERT_TRUE(undo.has_value());
    EXPECT_EQ(undo->Text, "7");
    EXPECT_FALSE(undo->Modified);
}

TEST(EditValidation, UnmodifiedEditIsAcceptedWithoutAsking) {
    int asked = 0;
    const TValidation v = RunValidation(false, [&](std::string&, bool& accept) {
        ++asked;
        accept = false;
    });
    EXPECT_TRUE(v.Accept);
    EXPECT_EQ(asked, 0);
}

TEST(EditValidation, HandlerSeesTheDefaultTextAndMayReplaceIt) {
    std::string seen;
    TValidation v = RunValidation(true, [&](std::string& text, bool& accept) {
        seen = text;
        EXPECT_TRUE(accept);
        accept = false;
    });
    EXPECT_EQ(seen, "Invalid input value. Use escape key to abandon changes");
    EXPECT_FALSE(v.Accept);
    EXPECT_EQ(v.ErrorText, seen);

    v = RunValidation(true, [](std::string& text, bool& accept) {
        text.clear();
        accept = false;
    });
    EXPECT_FALSE(v.Accept);
    EXPECT_EQ(v.ErrorText, "");

    v = RunValidation(true, nullptr);
    EXPECT_TRUE(v.Accept);
}

} // namespace
} // namespace fprn::editcontrols
