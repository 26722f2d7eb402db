// The const table: every item at its offset, texts in GBK, doubles and
// counted blocks byte for byte; the hosted program code reads the same bytes.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <string>

#include "image/gbk_text.h"
#include "runtime/const_table.h"
#include "runtime/const_table_bytes.h"
#include "runtime/program_base.h"

namespace {

using image::constTableBytes;

std::string textAt(const std::vector<uint8_t>& t, uint32_t offset) {
    return std::string(reinterpret_cast<const char*>(t.data() + offset));
}

std::string gbk(const char* utf8) {
    auto s = image::utf8ToGbk(utf8);
    EXPECT_TRUE(s.has_value()) << utf8;
    return s.value_or("");
}

TEST(ConstTable, HasTheTableSize) { EXPECT_EQ(constTableBytes().size(), 0x151u); }

TEST(ConstTable, TextsLieAtTheirOffsetsInGbkWithOneNul) {
    const auto t = constTableBytes();
    struct Item {
        uint32_t offset;
        const char* utf8;
    };
    const Item items[] = {
        {0x000, ""},
        {0x001, "+"},
        {0x003, "-"},
        {0x00D, " "},
        {0x00F, "0"},
        {0x011, ","},
        {0x013, ",0"},
        {0x016, ":"},
        {0x040, "00"},
        {0x04C, "00:00:00,000"},
        {0x07E, "源时间至少要比上级大1毫秒啦"},
        {0x0A7, "   平移1 = "},
        {0x0B3, "缩放比率1 = "},
        {0x0C0, "   平移2 = "},
        {0x0CC, "缩放比率2 = "},
        {0x0D9, "   平移3 = "},
        {0x0E5, "缩放比率3 = "},
        {0x0F2, "   平移4 = "},
        {0x0FE, "缩放比率4 = "},
        {0x113, "kernel32.dll"},
        {0x120, "OpenProcess"},
        {0x12C, "TerminateProcess"},
        {0x13D, "GetCurrentProcessId"},
    };
    for (const Item& item : items) {
        std::string expected = gbk(item.utf8);
        ASSERT_LE(item.offset + expected.size() + 1, t.size());
        EXPECT_EQ(textAt(t, item.offset), expected) << "offset " << item.offset;
        EXPECT_EQ(t[item.offset + expected.size()], 0) << "offset " << item.offset;
    }
    // The last text ends the table.
    EXPECT_EQ(0x13Du + std::strlen("GetCurrentProcessId") + 1, t.size());
    // GBK stores each of these Chinese characters in two bytes.
    EXPECT_EQ(gbk("源时间至少要比上级大1毫秒啦").size(), 27u);
}

TEST(ConstTable, DoublesHoldTheirIeeeBits) {
    const auto t = constTableBytes();
    struct Item {
        uint32_t offset;
        double value;
    };
    const Item items[] = {{0x018, 1.0},      {0x020, 3.0},    {0x028, 3600000.0}, {0x030, 60000.0},
                          {0x038, 1000.0},   {0x06E, 2.0},    {0x076, -1e-07},    {0x10B, -1.0}};
    for (const Item& item : items) {
        uint64_t bits;
        std::memcpy(&bits, t.data() + item.offset, 8);
        EXPECT_EQ(bits, std::bit_cast<uint64_t>(item.value)) << "offset " << item.offset;
    }
    uint64_t tolerance;
    std::memcpy(&tolerance, t.data() + 0x076, 8);
    EXPECT_EQ(tolerance, 0xBE7AD7F29ABCAF48ull);
}

TEST(ConstTable, BlocksHoldOneThenTheCountThenTheBytes) {
    const auto t = constTableBytes();
    struct Item {
        uint32_t offset;
        std::string bytes;
    };
    const Item items[] = {{0x005, ""}, {0x043, "-"}, {0x059, "-->"}, {0x064, "\r\n"}, {0x09A, " --> "}};
    for (const Item& item : items) {
        uint32_t one, count;
        std::memcpy(&one, t.data() + item.offset, 4);
        std::memcpy(&count, t.data() + item.offset + 4, 4);
        EXPECT_EQ(one, 1u) << "offset " << item.offset;
        EXPECT_EQ(count, item.bytes.size()) << "offset " << item.offset;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(t.data() + item.offset + 8), count), item.bytes);
    }
}

TEST(ConstTable, HostedProgramCodeReadsTheSameBytes) {
    const auto t = constTableBytes();
    EXPECT_EQ(std::memcmp(prog::hostedConstData(), t.data(), t.size()), 0);
    EXPECT_EQ(prog::constDouble(image::kConstMsPerMinute), 60000.0);
    EXPECT_STREQ(prog::constText(image::kConstKernel32), "kernel32.dll");
    EXPECT_EQ(prog::constBytes(image::kConstCrLfBlock)->count, 2u);
}

}  // namespace
