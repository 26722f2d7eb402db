// Texts are bytes. To show one, a control decodes it as UTF-8 when it is
// valid UTF-8 and as GBK (GB18030) otherwise; a byte that decodes to nothing
// is kept as an escape character (U+DC80 + byte - 0x80, a lone low
// surrogate), so that encoding the shown text back gives the same bytes. A
// user's edit is encoded back in the encoding the control's text came in.
// Platform-free, with our own GBK table (gbk_table.h): the Windows window
// layer shows texts through the wide Windows calls with it.
#pragma once

#include <stdint.h>

#include <string>
#include <string_view>

namespace vexrun::text {

enum class Encoding : uint8_t {
    Gbk,   // the program's own code page; also pure ASCII
    Utf8,  // valid UTF-8 holding at least one byte above 0x7F
};

bool isValidUtf8(std::string_view bytes);
Encoding detectEncoding(std::string_view bytes);

// UTF-16 text of the bytes, escapes for bytes that decode to nothing.
std::u16string decode(std::string_view bytes, Encoding encoding);
inline std::u16string decode(std::string_view bytes) { return decode(bytes, detectEncoding(bytes)); }
// The bytes of a UTF-16 text; escapes become their bytes again. A lone
// surrogate that is no escape becomes "?".
std::string encode(std::u16string_view text, Encoding encoding);

// GBK alone, by our table.
std::u16string decodeGbk(std::string_view bytes);
std::string encodeGbk(std::u16string_view text);

// The embedded table's size in bytes (gbk_table.h's kTableBytes when whole).
size_t gbkTableSize();

}  // namespace vexrun::text
