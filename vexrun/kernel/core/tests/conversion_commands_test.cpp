// The number kernel commands: to text, to integer, text to double, round,
// absolute value.
#include <gtest/gtest.h>
#include <locale.h>
#include <math.h>
#include <stdlib.h>

#include <limits>
#include <string>

#include "vexrun/kernel/core/tests/kernel_call.h"

using namespace coretest;
using prog::argDouble;
using prog::argInt;
using prog::argLogical;
using prog::argOmitted;
using prog::argText;

namespace {

class ConversionCommands : public ::testing::Test {
protected:
    void SetUp() override { live_ = vexrun::liveBlockCount(); }
    void TearDown() override { EXPECT_EQ(vexrun::liveBlockCount(), live_) << "a result block leaked"; }

private:
    int64_t live_ = 0;
};

std::string toText(vx::ArgRecord a) { return takeText(kernel(vx::kCmdToText, {a})); }
int32_t toInteger(vx::ArgRecord a) { return asInt(kernel(vx::kCmdToInteger, {a})); }
double textToDouble(const char* t) { return asDouble(kernel(vx::kCmdTextToDouble, {argText(t)})); }
double roundTo(vx::ArgRecord x, vx::ArgRecord places) { return asDouble(kernel(vx::kCmdRound, {x, places})); }

TEST_F(ConversionCommands, ToTextOfADoubleIsTheShortestDecimalWithoutExponent) {
    EXPECT_EQ(toText(argDouble(1.5)), "1.5");
    EXPECT_EQ(toText(argDouble(1.0)), "1");
    EXPECT_EQ(toText(argDouble(1.0 / 3)), "0.3333333333333333");
    EXPECT_EQ(toText(argDouble(-250.0)), "-250");
    EXPECT_EQ(toText(argDouble(0.1)), "0.1");
    EXPECT_EQ(toText(argDouble(1.0012345)), "1.0012345");
    EXPECT_EQ(toText(argDouble(1000000.0)), "1000000");
    EXPECT_EQ(toText(argDouble(123456789.125)), "123456789.125");
    EXPECT_EQ(toText(argDouble(1e20)), "100000000000000000000");
    EXPECT_EQ(toText(argDouble(0.000001)), "0.000001");
    EXPECT_EQ(toText(argDouble(0.0)), "0");
    EXPECT_EQ(toText(argDouble(-0.0)), "0");
}

TEST_F(ConversionCommands, ToTextOfExtremeDoublesUsesAnExponent) {
    EXPECT_EQ(toText(argDouble(1e21)), "1e+21");
    EXPECT_EQ(toText(argDouble(1e-7)), "1e-07");
    EXPECT_EQ(toText(argDouble(std::numeric_limits<double>::infinity())), "inf");
    EXPECT_EQ(toText(argDouble(-std::numeric_limits<double>::infinity())), "-inf");
    EXPECT_EQ(toText(argDouble(std::numeric_limits<double>::quiet_NaN())), "nan");
}

TEST_F(ConversionCommands, ToTextOfADoubleReadsBackAsTheSameDouble) {
    // Ratios and shifts as the fitting makes them, over several magnitudes.
    for (int i = 1; i <= 2000; ++i) {
        for (double x : {i / 7.0, i * 0.1, 25.0 / (24 + i * 1e-3), -i / 3.0e4, i * 1234.5678}) {
            std::string text = toText(argDouble(x));
            ASSERT_EQ(text.find('e'), std::string::npos) << text;
            ASSERT_EQ(strtod(text.c_str(), nullptr), x) << text;
        }
    }
}

TEST_F(ConversionCommands, ToTextOfOtherValues) {
    EXPECT_EQ(toText(argInt(0)), "0");
    EXPECT_EQ(toText(argInt(-250)), "-250");
    EXPECT_EQ(toText(argInt(std::numeric_limits<int32_t>::min())), "-2147483648");
    EXPECT_EQ(toText(argLogical(true)), "\xD5\xE6");   // 真
    EXPECT_EQ(toText(argLogical(false)), "\xBC\xD9");  // 假
    ByteSetValue b(std::string("ab\0cd", 5));
    EXPECT_EQ(toText(b.arg()), "ab");  // up to the first NUL
    EXPECT_EQ(toText(prog::argBytes(nullptr)), "");
    EXPECT_EQ(toText(argText(nullptr)), "");
    EXPECT_EQ(toText(argOmitted()), "");
}

TEST_F(ConversionCommands, ToIntegerReadsAnOptionalSignAndTheDigitsAfterIt) {
    EXPECT_EQ(toInteger(argText("123")), 123);
    EXPECT_EQ(toInteger(argText("007")), 7);
    EXPECT_EQ(toInteger(argText("  42")), 42);
    EXPECT_EQ(toInteger(argText("-17")), -17);
    EXPECT_EQ(toInteger(argText("+8")), 8);
    EXPECT_EQ(toInteger(argText("-01")), -1);
    EXPECT_EQ(toInteger(argText("12abc")), 12);
    EXPECT_EQ(toInteger(argText("1a")), 1);
    EXPECT_EQ(toInteger(argText("02.500")), 2);
    EXPECT_EQ(toInteger(argText("1,2")), 1);
    EXPECT_EQ(toInteger(argText("- 5")), 0);
    EXPECT_EQ(toInteger(argText("abc")), 0);
    EXPECT_EQ(toInteger(argText("-")), 0);
    EXPECT_EQ(toInteger(argText("")), 0);
    EXPECT_EQ(toInteger(argText(nullptr)), 0);
    EXPECT_EQ(toInteger(argOmitted()), 0);
    ByteSetValue b("  7x");
    EXPECT_EQ(toInteger(b.arg()), 7);
}

TEST_F(ConversionCommands, ToIntegerWrapsToTheLow32Bits) {
    EXPECT_EQ(toInteger(argText("2147483647")), 2147483647);
    EXPECT_EQ(toInteger(argText("2147483648")), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(toInteger(argText("-2147483648")), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(toInteger(argText("4294967297")), 1);
    EXPECT_EQ(toInteger(argText("99999999999999999999")), 1661992959);
}

TEST_F(ConversionCommands, ToIntegerOfNumbersTruncatesTowardZero) {
    EXPECT_EQ(toInteger(argInt(-5)), -5);
    EXPECT_EQ(toInteger(argDouble(2.9)), 2);
    EXPECT_EQ(toInteger(argDouble(-2.9)), -2);
    EXPECT_EQ(toInteger(argDouble(3000000000.0)), -1294967296);
    EXPECT_EQ(toInteger(argDouble(std::numeric_limits<double>::quiet_NaN())), 0);
    EXPECT_EQ(toInteger(argDouble(1e300)), 0);
    EXPECT_EQ(toInteger(argLogical(true)), 1);
}

TEST_F(ConversionCommands, TextToDoubleReadsDecimalsInTheCLocale) {
    EXPECT_EQ(textToDouble("1.00000000"), 1.0);
    EXPECT_EQ(textToDouble("1.5"), 1.5);
    EXPECT_EQ(textToDouble(" -2.25"), -2.25);
    EXPECT_EQ(textToDouble("+3"), 3.0);
    EXPECT_EQ(textToDouble("1e3"), 1000.0);
    EXPECT_EQ(textToDouble("0.3333333333333333"), 1.0 / 3);
    EXPECT_EQ(textToDouble("1.25abc"), 1.25);
    EXPECT_EQ(textToDouble("1,5"), 1.0);
    EXPECT_EQ(textToDouble("abc"), 0.0);
    EXPECT_EQ(textToDouble(""), 0.0);
    EXPECT_EQ(textToDouble(nullptr), 0.0);
}

// A process locale whose decimal point is a comma, made with localedef (the
// window system sets the locale from the environment).
bool useDecimalCommaLocale(const std::string& folder) {
    FILE* f = fopen((folder + "/comma.src").c_str(), "w");
    if (!f) return false;
    fputs("LC_NUMERIC\ndecimal_point \"<U002C>\"\nthousands_sep \"<U002E>\"\ngrouping 3;3\nEND LC_NUMERIC\n", f);
    fclose(f);
    std::string command = "localedef -c -i '" + folder + "/comma.src' -f ANSI_X3.4-1968 '" + folder +
                          "/comma.ascii' >/dev/null 2>&1";
    if (std::system(command.c_str()) == -1) return false;
    setenv("LOCPATH", folder.c_str(), 1);
    return setlocale(LC_NUMERIC, "comma.ascii") != nullptr;
}

TEST_F(ConversionCommands, TextToDoubleIgnoresTheProcessLocale) {
    char folder[] = "/tmp/vexrun-locale-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const bool comma = useDecimalCommaLocale(folder);
    const double localeReading = strtod("1,5", nullptr);
    const double a = textToDouble("1.5"), b = textToDouble("1,5");
    setlocale(LC_NUMERIC, "C");
    unsetenv("LOCPATH");
    std::system((std::string("rm -rf '") + folder + "'").c_str());
    if (!comma) GTEST_SKIP() << "localedef could not make a locale with a decimal comma";
    ASSERT_EQ(localeReading, 1.5) << "the comma locale is in force";
    EXPECT_EQ(a, 1.5);
    EXPECT_EQ(b, 1.0);
}

TEST_F(ConversionCommands, RoundGoesHalfAwayFromZero) {
    EXPECT_EQ(roundTo(argDouble(2.5), argInt(0)), 3.0);
    EXPECT_EQ(roundTo(argDouble(-2.5), argInt(0)), -3.0);
    EXPECT_EQ(roundTo(argDouble(0.5), argInt(0)), 1.0);
    EXPECT_EQ(roundTo(argDouble(-0.5), argInt(0)), -1.0);
    EXPECT_EQ(roundTo(argDouble(2.4999999999999996), argInt(0)), 2.0);
    EXPECT_EQ(roundTo(argDouble(0.49999999999999994), argInt(0)), 0.0);
    EXPECT_EQ(roundTo(argDouble(-1234.4), argOmitted()), -1234.0);
    EXPECT_EQ(roundTo(argDouble(1.25), argInt(1)), 1.3);
    EXPECT_EQ(roundTo(argDouble(-1.25), argInt(1)), -1.3);
    EXPECT_EQ(roundTo(argDouble(1234.5678), argInt(2)), 1234.57);
    // 2.675 is stored a little below the half: it rounds down.
    EXPECT_EQ(roundTo(argDouble(2.675), argInt(2)), 2.67);
    EXPECT_EQ(roundTo(argDouble(1250.0), argInt(-2)), 1300.0);
    EXPECT_EQ(roundTo(argDouble(-1250.0), argInt(-2)), -1300.0);
    EXPECT_EQ(roundTo(argDouble(1249.0), argInt(-2)), 1200.0);
    EXPECT_EQ(roundTo(argInt(7), argInt(0)), 7.0);
    EXPECT_EQ(roundTo(argDouble(1e300), argInt(2)), 1e300);
    EXPECT_EQ(roundTo(argDouble(123.456), argInt(400)), 123.456);
    EXPECT_EQ(roundTo(argDouble(123.456), argInt(-400)), 0.0);
    EXPECT_TRUE(isnan(roundTo(argDouble(std::numeric_limits<double>::quiet_NaN()), argInt(0))));
}

TEST_F(ConversionCommands, AbsoluteValueIsADouble) {
    EXPECT_EQ(asDouble(kernel(vx::kCmdAbs, {argInt(-1500)})), 1500.0);
    EXPECT_EQ(asDouble(kernel(vx::kCmdAbs, {argInt(std::numeric_limits<int32_t>::min())})), 2147483648.0);
    EXPECT_EQ(asDouble(kernel(vx::kCmdAbs, {argDouble(-2.5)})), 2.5);
    EXPECT_EQ(asDouble(kernel(vx::kCmdAbs, {argDouble(3.0)})), 3.0);
}

}  // namespace
