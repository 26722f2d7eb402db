// Our own GBK decoder and the control texts' encodings. On Linux every code
// is held to the C library's GB18030 converter; on Windows (under Wine) the
// same table must give the same texts.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "vexrun/kernel/text/gbk_table.h"
#include "vexrun/kernel/text/text_encoding.h"

#ifndef _WIN32
#include <errno.h>
#include <iconv.h>
#endif

namespace vexrun::text {
namespace {

TEST(GbkTable, IsWholeAndDecodesTheProgramsTexts) {
    ASSERT_GT(gbkTableSize(), gbk::kTableBytes);
    EXPECT_EQ(decodeGbk("\xB5\xF7\xBD\xDA"), u"调节");
    EXPECT_EQ(decodeGbk("\xD4\xB4" "0/4"), u"源0/4");
    EXPECT_EQ(encodeGbk(u"目标4/4 缩放比率"), "\xC4\xBF\xB1\xEA" "4/4 \xCB\xF5\xB7\xC5\xB1\xC8\xC2\xCA");
    // Four-byte codes: in the BMP, and beyond it.
    EXPECT_EQ(decodeGbk("\x81\x30\x81\x30"), u"\u0080");
    EXPECT_EQ(decodeGbk("\x90\x30\x81\x30"), u"\U00010000");
    EXPECT_EQ(encodeGbk(u"\U00010000"), "\x90\x30\x81\x30");
    EXPECT_EQ(decodeGbk(encodeGbk(u"\U0001F600\u0080")), u"\U0001F600\u0080");
}

TEST(TextEncoding, BytesThatDecodeToNothingComeBackAsTheyWere) {
    // A lone lead byte, a broken pair, 0x80 and 0xFF, a cut four-byte code.
    for (std::string bytes : {std::string("\x81"), std::string("a\xB5z"), std::string("\x80\xFF"),
                              std::string("\x81\x30\x81"), std::string("\xFE\x50x")}) {
        EXPECT_EQ(encode(decode(bytes, Encoding::Gbk), Encoding::Gbk), bytes);
    }
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        std::string bytes(size_t(random() % 64), '\0');
        for (char& c : bytes) c = char(random());
        const Encoding e = detectEncoding(bytes);
        EXPECT_EQ(encode(decode(bytes, e), e), bytes) << "round " << round;
    }
}

TEST(TextEncoding, Utf8WhenValidElseGbk) {
    EXPECT_EQ(detectEncoding("00:01:02,500"), Encoding::Gbk);
    EXPECT_EQ(detectEncoding("\xE8\xB0\x83\xE8\x8A\x82"), Encoding::Utf8);
    EXPECT_EQ(detectEncoding("\xB5\xF7\xBD\xDA"), Encoding::Gbk);
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));  // a surrogate
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));      // overlong
    EXPECT_EQ(decode("\xE8\xB0\x83\xE8\x8A\x82\xF0\x9F\x98\x80"), u"调节\U0001F600");
    EXPECT_EQ(encode(u"调节\U0001F600", Encoding::Utf8), "\xE8\xB0\x83\xE8\x8A\x82\xF0\x9F\x98\x80");
    // An edit of a GBK text is encoded back as GBK, of a UTF-8 one as UTF-8.
    EXPECT_EQ(encode(decode("\xB5\xF7") + u"节", Encoding::Gbk), "\xB5\xF7\xBD\xDA");
}

#ifndef _WIN32
// The C library's decoding of one code: its UTF-16 units, empty for none.
std::u16string iconvDecode(iconv_t cd, const std::string& code) {
    char16_t out[4];
    char* in = const_cast<char*>(code.data());
    size_t inLeft = code.size(), outLeft = sizeof out;
    char* o = reinterpret_cast<char*>(out);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &in, &inLeft, &o, &outLeft) == size_t(-1) || inLeft) return {};
    return std::u16string(out, (sizeof out - outLeft) / 2);
}

TEST(GbkTable, EveryCodeDecodesAsTheCLibraryDecodesIt) {
    iconv_t cd = iconv_open("UTF-16LE", "GB18030");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    size_t checked = 0;
    for (unsigned b1 = 0x81; b1 <= 0xFE; ++b1) {
        for (unsigned b2 = 0x40; b2 <= 0xFE; ++b2) {
            const std::string code{char(b1), char(b2)};
            const std::u16string expected = iconvDecode(cd, code);
            if (expected.empty()) continue;
            ASSERT_EQ(decodeGbk(code), expected) << std::hex << b1 << " " << b2;
            ++checked;
        }
    }
    // Every fourth-byte code of the BMP, and a stride through the rest.
    for (uint32_t n = 0; n < gbk::kSupplementaryFirst + gbk::kSupplementaryCount; n += n < 40000 ? 1 : 997) {
        const std::string code{char(0x81 + n / 12600), char(0x30 + n / 1260 % 10), char(0x81 + n / 10 % 126),
                               char(0x30 + n % 10)};
        const std::u16string expected = iconvDecode(cd, code);
        const std::u16string got = decodeGbk(code);
        if (expected.empty()) {
            ASSERT_EQ(got.size(), 4u) << "number " << n;  // four escapes
            continue;
        }
        ASSERT_EQ(got, expected) << "number " << n;
        ASSERT_EQ(decodeGbk(encodeGbk(got)), got) << "number " << n;
        ++checked;
    }
    iconv_close(cd);
    EXPECT_GT(checked, 60000u);
}

// The C library's conversion of a whole text, escaping each byte it stops
// at, as the window layer decoded before it had our table.
std::u16string iconvDecodeText(iconv_t cd, const std::string& bytes) {
    std::u16string out;
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char16_t buf[256];
        char* o = reinterpret_cast<char*>(buf);
        size_t outLeft = sizeof buf;
        const size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
        out.append(buf, (sizeof buf - outLeft) / 2);
        if (r == size_t(-1) && errno != E2BIG) {
            out.push_back(char16_t(0xDC00 + uint8_t(*in++)));
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

TEST(GbkTable, TextsAndEditsConvertAsTheCLibraryConvertsThem) {
    // Whole texts, broken and cut codes among them: bytes drawn mostly from
    // those that lead, trail or make four-byte codes.
    iconv_t decoder = iconv_open("UTF-16LE", "GB18030");
    iconv_t encoder = iconv_open("GB18030", "UTF-16LE");
    ASSERT_NE(decoder, reinterpret_cast<iconv_t>(-1));
    ASSERT_NE(encoder, reinterpret_cast<iconv_t>(-1));
    const std::string pool = "\x81\x84\x90\xA1\xB5\xD4\xE3\xFE\xFF\x80\x30\x39\x40\x7F\xA4\x0D\x0Aa";
    std::mt19937 random(11);
    for (int round = 0; round < 20000; ++round) {
        std::string bytes(size_t(random() % 16), '\0');
        for (char& c : bytes) c = random() % 4 ? pool[random() % pool.size()] : char(random());
        ASSERT_EQ(decodeGbk(bytes), iconvDecodeText(decoder, bytes)) << "round " << round;
    }
    // An edit: every character the user may type gets the code the C
    // library gives it.
    for (uint32_t cp = 0x80; cp <= 0x10FFFF; cp += cp < 0x10000 ? 1 : 257) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;
        std::u16string one;
        if (cp < 0x10000) {
            one = std::u16string(1, char16_t(cp));
        } else {
            one = {char16_t(0xD800 + ((cp - 0x10000) >> 10)), char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF))};
        }
        char code[8];
        char* in = reinterpret_cast<char*>(one.data());
        char* o = code;
        size_t inLeft = one.size() * 2, outLeft = sizeof code;
        iconv(encoder, nullptr, nullptr, nullptr, nullptr);
        const bool converted = iconv(encoder, &in, &inLeft, &o, &outLeft) != size_t(-1);
        ASSERT_EQ(encodeGbk(one), converted ? std::string(code, sizeof code - outLeft) : "?") << std::hex << cp;
    }
    iconv_close(decoder);
    iconv_close(encoder);
}
#endif

}  // namespace
}  // namespace vexrun::text
