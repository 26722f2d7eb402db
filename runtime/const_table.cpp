// The const table as data: each item at its offset, in one of the three forms
// the code addresses (zero-ended text, double, counted block). Texts are
// stored as GBK; the comment beside each one gives it in readable form.
#include <bit>
#include <cstring>
#include <string_view>

#include "runtime/const_table.h"
#include "runtime/const_table_bytes.h"

namespace image {
namespace {

enum class Form { kText, kDouble, kBlock };

struct ConstItem {
    uint32_t offset;
    Form form;
    std::string_view text;  // kText (GBK, without the NUL) and kBlock (the bytes)
    double value = 0;       // kDouble
};

constexpr ConstItem kItems[] = {
    {kConstEmptyText, Form::kText, ""},
    {kConstPlus, Form::kText, "+"},
    {kConstMinus, Form::kText, "-"},
    {kConstEmptyBlock, Form::kBlock, ""},
    {kConstSpace, Form::kText, " "},
    {kConstZero, Form::kText, "0"},
    {kConstComma, Form::kText, ","},
    {kConstCommaZero, Form::kText, ",0"},
    {kConstColon, Form::kText, ":"},
    {kConstOne, Form::kDouble, {}, 1.0},
    {kConstThree, Form::kDouble, {}, 3.0},
    {kConstMsPerHour, Form::kDouble, {}, 3600000.0},
    {kConstMsPerMinute, Form::kDouble, {}, 60000.0},
    {kConstMsPerSecond, Form::kDouble, {}, 1000.0},
    {kConstZeroZero, Form::kText, "00"},
    {kConstMinusBlock, Form::kBlock, "-"},
    {kConstEmptyTime, Form::kText, "00:00:00,000"},
    {kConstArrowBlock, Form::kBlock, "-->"},
    {kConstCrLfBlock, Form::kBlock, "\r\n"},
    {kConstTwo, Form::kDouble, {}, 2.0},
    {kConstOrderTolerance, Form::kDouble, {}, -1e-07},
    {kConstOrderMessage, Form::kText, "\xD4\xB4\xCA\xB1\xBC\xE4\xD6\xC1\xC9\xD9\xD2\xAA\xB1\xC8\xC9\xCF\xBC\xB6\xB4\xF3" "1\xBA\xC1\xC3\xEB\xC0\xB2"},  // "源时间至少要比上级大1毫秒啦"
    {kConstSpacedArrowBlock, Form::kBlock, " --> "},
    {kConstShiftLabel1, Form::kText, "   \xC6\xBD\xD2\xC6" "1 = "},  // "   平移1 = "
    {kConstRatioLabel1, Form::kText, "\xCB\xF5\xB7\xC5\xB1\xC8\xC2\xCA" "1 = "},  // "缩放比率1 = "
    {kConstShiftLabel2, Form::kText, "   \xC6\xBD\xD2\xC6" "2 = "},  // "   平移2 = "
    {kConstRatioLabel2, Form::kText, "\xCB\xF5\xB7\xC5\xB1\xC8\xC2\xCA" "2 = "},  // "缩放比率2 = "
    {kConstShiftLabel3, Form::kText, "   \xC6\xBD\xD2\xC6" "3 = "},  // "   平移3 = "
    {kConstRatioLabel3, Form::kText, "\xCB\xF5\xB7\xC5\xB1\xC8\xC2\xCA" "3 = "},  // "缩放比率3 = "
    {kConstShiftLabel4, Form::kText, "   \xC6\xBD\xD2\xC6" "4 = "},  // "   平移4 = "
    {kConstRatioLabel4, Form::kText, "\xCB\xF5\xB7\xC5\xB1\xC8\xC2\xCA" "4 = "},  // "缩放比率4 = "
    {kConstMinusOne, Form::kDouble, {}, -1.0},
    {kConstKernel32, Form::kText, "kernel32.dll"},
    {kConstOpenProcess, Form::kText, "OpenProcess"},
    {kConstTerminateProcess, Form::kText, "TerminateProcess"},
    {kConstGetCurrentProcessId, Form::kText, "GetCurrentProcessId"},
};

constexpr uint32_t storedSize(const ConstItem& item) {
    switch (item.form) {
        case Form::kText: return static_cast<uint32_t>(item.text.size()) + 1;
        case Form::kDouble: return 8;
        case Form::kBlock: return 8 + static_cast<uint32_t>(item.text.size());
    }
    return 0;
}

// Every item ends where the next begins, and the last ends at the table's size.
constexpr bool itemsArePacked() {
    uint32_t at = 0;
    for (const ConstItem& item : kItems) {
        if (item.offset != at) return false;
        at += storedSize(item);
    }
    return at == kConstTableSize;
}
static_assert(itemsArePacked(), "const items must lie back to back at their offsets");
static_assert(std::bit_cast<uint64_t>(-1e-07) == 0xBE7AD7F29ABCAF48ull, "the order tolerance's bits");

}  // namespace

std::vector<uint8_t> constTableBytes() {
    std::vector<uint8_t> out(kConstTableSize, 0);
    for (const ConstItem& item : kItems) {
        uint8_t* p = out.data() + item.offset;
        switch (item.form) {
            case Form::kText:
                std::memcpy(p, item.text.data(), item.text.size());
                break;
            case Form::kDouble: {
                uint64_t bits = std::bit_cast<uint64_t>(item.value);
                for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(bits >> (8 * i));
                break;
            }
            case Form::kBlock: {
                p[0] = 1;
                p[4] = static_cast<uint8_t>(item.text.size());
                std::memcpy(p + 8, item.text.data(), item.text.size());
                break;
            }
        }
    }
    return out;
}

}  // namespace image
