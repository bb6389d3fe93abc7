#include "text/Numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

namespace zarava {
namespace {

// The leading decimal number of the text, as every numeric setting and field is read.
TEST(NumbersTest, LenientNumberTakesTheLeadingNumber) {
    const std::string huge(400, '9');
    const struct {
        std::string text;
        double value;
    } cases[] = {
        {"", 0},           {"abc", 0},   {"12abc", 12}, {"  7", 7},   {"1 2", 12},
        {"  -3.5e", -3.5}, {"+.5", 0.5}, {"-.", 0},     {"1,000", 1}, {"1.2.3", 1.2},
        {"\t4\r\n", 4},    {"1e10", 1},  {"０１２", 0}, {"- 5", -5},  {"0x10", 0},
        {huge, 0}, // beyond any double: no number the display could use
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(LenientNumber(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(NumbersTest, RoundingGoesHalfToEvenAndIntegersMustFit) {
    const std::pair<double, double> halves[] = {{2.5, 2}, {3.5, 4},    {-2.5, -2},
                                                {0.5, 0}, {2.4999, 2}, {-0.6, -1}};
    for (const auto& [value, rounded] : halves) {
        EXPECT_DOUBLE_EQ(RoundHalfEven(value), rounded) << value;
    }
    EXPECT_EQ(ToInt16(32767.4), std::optional<std::int16_t>(32767));
    EXPECT_EQ(ToInt16(32767.5), std::nullopt); // rounds to 32768
    EXPECT_EQ(ToInt16(-32768.5), std::optional<std::int16_t>(-32768));
    EXPECT_EQ(ToInt32(2147483648.0), std::nullopt);
    EXPECT_EQ(ToInt32(std::nan("")), std::nullopt);
    EXPECT_EQ(NumberText(-42), "-42");
}

} // namespace
} // namespace zarava
