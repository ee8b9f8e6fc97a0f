// How the pages read rates, tax-ID formats and memory addresses out of their fields.
#include "fieldreadings.h"

#include <gtest/gtest.h>

namespace fprn::console {
namespace {

TEST(FieldReadings, TaxRateFields) {
    const struct {
        const char* window;
        std::int32_t rate;
    } cases[] = {{"0023", 23},          {"0012", 12},          {"9999", 9999},
                 {"0000", 0},           {"00__", kRateNotSet}, {"__12", kRateNotSet},
                 {"____", kRateNotSet}, {"", kRateNotSet},     {" 12", 12},
                 {"12 ", kRateNotSet},  {"1x", kRateNotSet}};
    for (const auto& c : cases) EXPECT_EQ(VatRateField(c.window), c.rate) << c.window;
}

TEST(FieldReadings, HexadecimalAddresses) {
    const struct {
        const char* text;
        std::int32_t address;
    } cases[] = {{"1f00", 0x1F00}, {"1A0", 416}, {" FFFFF ", 0xFFFFF},
                 {"xyz", 0},       {"", 0},      {"$10", 0},
                 {"1 0", 0},       {"-1", 0},    {"7FFFFFFF", 0x7FFFFFFF},
                 {"80000000", 0}};
    for (const auto& c : cases) EXPECT_EQ(HexAddress(c.text), c.address) << c.text;
}

TEST(FieldReadings, TaxIdFormats) {
    const struct {
        const char* text;
        std::optional<std::int32_t> value;
    } cases[] = {{"3322", 0x3322},       {"0000", 0},          {" 5500 ", 0x5500},
                 {"3321", std::nullopt}, {"12", std::nullopt}, {"", std::nullopt},
                 {"0010", std::nullopt}, {"1900", 0x1900}};
    for (const auto& c : cases) EXPECT_EQ(TaxIdFormatValue(c.text), c.value) << c.text;
    for (const char* bad : {"3 3", "33a2", "3-22"})
        EXPECT_THROW(TaxIdFormatValue(bad), ConversionError) << bad;
}

} // namespace
} // namespace fprn::console
