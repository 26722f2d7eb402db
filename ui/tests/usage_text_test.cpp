#include <gtest/gtest.h>

#include <string>

#include "ui/main_window_layout.h"
#include "ui/tests/gbk.h"

namespace ui {
namespace {

TEST(UsageText, LinesEndInCrLfOnly) {
    const std::string_view t = usageText();
    size_t lines = 0;
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i] == '\n') {
            EXPECT_TRUE(i > 0 && t[i - 1] == '\r') << "lone LF at byte " << i;
            ++lines;
        }
        if (t[i] == '\r') {
            EXPECT_TRUE(i + 1 < t.size() && t[i + 1] == '\n') << "lone CR at byte " << i;
        }
    }
    EXPECT_GT(lines, 20u);
}

TEST(UsageText, IsPlainTextWithoutMarkupOrControlCharacters) {
    const std::string_view t = usageText();
    for (size_t i = 0; i < t.size(); ++i) {
        const auto c = static_cast<unsigned char>(t[i]);
        EXPECT_TRUE(c >= 0x20 || c == '\r' || c == '\n') << "control byte at " << i;
        EXPECT_NE(c, '<') << "markup at " << i;
        EXPECT_NE(c, '*') << "markup at " << i;
    }
    EXPECT_NE(t.front(), ' ');
}

TEST(UsageText, ConvertsWhollyToGbk) {
    const auto gbk = test::toGbk(usageText());
    ASSERT_TRUE(gbk.has_value()) << "a character has no GBK form";
    EXPECT_GT(gbk->size(), usageText().size() / 2);
}

TEST(UsageText, HasAboutEighteenHundredCharacters) {
    std::string withoutLineEnds;
    for (char c : usageText()) {
        if (c != '\r' && c != '\n') withoutLineEnds += c;
    }
    const long n = test::codePointCount(withoutLineEnds);
    ASSERT_GE(n, 0) << "not valid UTF-8";
    EXPECT_GE(n, 1500);
    EXPECT_LE(n, 2000);
}

TEST(UsageText, CoversTheOutline) {
    const std::string_view t = usageText();
    // The fit of one segment and of the split into two.
    for (const char* formula : {"Qv+C=q", "Zv+C=z", "v=(z-q)/(Z-Q)", "C=q-Qv", "v1=(f-q)/(F-Q)",
                                "C1=q-Qv1", "v2=(z-f)/(Z-F)", "C2=z-Fv2"}) {
        EXPECT_NE(t.find(formula), std::string_view::npos) << formula;
    }
    // The controls a reader is pointed at exist under these captions.
    for (const char* caption : {"分1段", "分2段", "分4段", "自定比", "段首对齐", "段尾对齐", "调节",
                                "自定比率", "源0/4", "源4/4"}) {
        EXPECT_NE(t.find(caption), std::string_view::npos) << caption;
    }
}

}  // namespace
}  // namespace ui
