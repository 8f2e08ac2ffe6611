// The printer's values: floats in the shortest text that reads back as the same float, strings
// with their quotes doubled and their newlines joined, the forms for what text cannot say.
#include "config/config_printer.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstring>

#include "support/rapified_samples.h"

namespace qp::config {
namespace {

std::string Printed(const Value& value) {
    Config config;
    config.root.entries = {test::ValueEntry("x", value)};
    const std::string text = PrintConfig(config);
    return text.substr(4, text.size() - 6);  // "x = " and ";\n"
}

TEST(PrintConfig, WritesEachValueInTheFormThatReadsItBack) {
    const struct {
        Value value;
        const char* text;
    } cases[] = {
        {test::FloatValue(0x3DCCCCCD), "0.1"},
        {test::FloatValue(0x80000000), "-0.0"},
        {test::FloatValue(0x00000001), "1e-45"},
        {test::FloatValue(0x7F7FFFFF), "3.4028235e+38"},
        {test::FloatValue(0x60AD78EC), "1e+20"},
        {test::FloatValue(0x4B800000), "16777216.0"},
        {test::FloatValue(0xFF800000), "__float32(0xff800000)"},
        {test::FloatValue(0x7F800001), "__float32(0x7f800001)"},  // a signalling NaN
        {test::IntValue(-2147483647 - 1), "-2147483648"},
        {test::Int64Value(-2147483647 - 1), "__int64(-2147483648)"},
        {test::Int64Value(-2147483649), "-2147483649"},
        {test::StringValue("a\n"), "\"a\" \\n \"\""},
        {test::StringValue("\"\""), "\"\"\"\"\"\""},
        {test::ExpressionValue("say \"x\""), "__expression(\"say \"\"x\"\"\")"},
    };
    for (const auto& c : cases) EXPECT_EQ(Printed(c.value), c.text);
}

// Every 65537th bit pattern, which passes through every exponent: finite floats read back bit for
// bit and never as ints.
TEST(PrintConfig, FloatsReadBackAsTheSameFloat) {
    for (std::uint64_t bits = 0; bits <= 0xFFFFFFFF; bits += 65537) {
        if ((bits & 0x7F800000) == 0x7F800000) continue;
        const std::string text = Printed(test::FloatValue(static_cast<std::uint32_t>(bits)));
        float read = 0;
        const std::from_chars_result end =
            std::from_chars(text.data(), text.data() + text.size(), read);
        std::uint32_t read_bits = 0;
        std::memcpy(&read_bits, &read, sizeof read);
        EXPECT_EQ(end.ptr, text.data() + text.size()) << text;
        EXPECT_EQ(read_bits, bits) << text;
        EXPECT_NE(text.find_first_of(".e"), std::string::npos) << text;
    }
}

}  // namespace
}  // namespace qp::config
