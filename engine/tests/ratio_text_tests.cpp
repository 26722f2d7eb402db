// The ratio text rule the custom ratio box and the command line share.
#include <cmath>
#include <limits>

#include "engine/ratio_text.h"
#include "engine/tests/engine_test_support.h"
#include "runtime/kernel_calls.h"

namespace {

using RatioTextTest = enginetest::EngineTest;

double read(const char* text) {
    double ratio = -1;
    return engine::readRatioText(text, &ratio) ? ratio : std::numeric_limits<double>::quiet_NaN();
}

TEST_F(RatioTextTest, PlainDecimalsReadAsTheKernelReadsThem) {
    for (const char* text : {"1.00000000", "1.04270833", "0.95904", " 1.0427083333333333 ", "+2", "1e0", "10",
                             "0.1", ".5", "5.", "2.5E-1"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(read(text), prog::textToDouble(text));
    }
}

TEST_F(RatioTextTest, ACommaIsTheDecimalPoint) {
    EXPECT_EQ(read("1,0427"), prog::textToDouble("1.0427"));
    EXPECT_EQ(read("\t0,5"), 0.5);
}

TEST_F(RatioTextTest, AnythingElseIsRefusedAndLeavesTheValue) {
    for (const char* text : {"", " ", "abc", "nan", "NaN", "inf", "-inf", "0", "-1", "0.0999", "10.0000001", "1e300",
                             "1e-300", "1e999", "1.5x", "x1.5", "1.2.3", "1,2,3", "1.000,5", "0x1p0", "1e", "e5",
                             "+", ".", ",", "1 5", "--1"}) {
        SCOPED_TRACE(text);
        double ratio = 7;
        EXPECT_FALSE(engine::readRatioText(text, &ratio));
        EXPECT_EQ(ratio, 7);
    }
    double ratio = 7;
    EXPECT_FALSE(engine::readRatioText(nullptr, &ratio));
}

}  // namespace
