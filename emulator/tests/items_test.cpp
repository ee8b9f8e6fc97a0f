// The emulator's items as an item file: the console finds every item by its barcode, with its
// price and the tax letter of its rate.
#include "itemlist.h"
#include "items.h"
#include "tempdir.h"

#include <gtest/gtest.h>

namespace fprn::emu {
namespace {

TEST(ItemFile, HoldsEveryItemOfThePrinter) {
    test::TempDir dir("emu-items");
    const std::string path = (dir.path() / "DEFAULT.PLU").string();
    PrinterState state = FactoryState();
    state.plus.push_back({"UNTAXED", "123", -5, 4711, 0}); // a rate no letter has
    ASSERT_TRUE(WriteItemFile(state, path).ok());

    itemfile::ItemList list;
    ASSERT_TRUE(itemfile::LoadItemFile(path, list).ok());
    ASSERT_EQ(list.Size(), state.plus.size());
    const auto bread = list.Find("5900000000011");
    ASSERT_TRUE(bread);
    EXPECT_EQ(list.Lines()[*bread], "BREAD\t5900000000011\tPCS\t2.50\tC\t0");
    EXPECT_EQ(list.Lines()[*list.Find("5900000000059")],
              "COFFEE 250G\t5900000000059\tPCS\t12.99\tA\t0");
    EXPECT_EQ(list.Lines()[*list.Find("5900000000066")],
              "NEWSPAPER\t5900000000066\tPCS\t3.50\tE\t0");
    EXPECT_EQ(list.Lines().back(), "UNTAXED\t123\tPCS\t-0.05\t\t0");
    for (const auto& p : state.plus) {
        auto at = list.Find(p.barcode);
        ASSERT_TRUE(at) << p.barcode;
        EXPECT_EQ(itemfile::LineField(list.Lines()[*at], itemfile::kName), p.name);
    }
}

} // namespace
} // namespace fprn::emu
