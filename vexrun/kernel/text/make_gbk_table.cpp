// tessaly-gbk-table OUTPUT: writes the GBK decoding table (gbk_table.h) as
// the C library's GB18030 converter decodes each code. Run by the Linux
// build; the Windows build embeds the file it writes.
#include <errno.h>
#include <iconv.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "vexrun/kernel/text/gbk_table.h"

namespace {

// The UTF-16 units `code` decodes to; none when it decodes to nothing.
std::u16string decodeOne(iconv_t cd, const std::string& code) {
    char16_t out[4];
    char* in = const_cast<char*>(code.data());
    size_t inLeft = code.size();
    char* o = reinterpret_cast<char*>(out);
    size_t outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &in, &inLeft, &o, &outLeft) == size_t(-1) || inLeft != 0) return {};
    return std::u16string(out, (sizeof out - outLeft) / 2);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vexrun::gbk;
    if (argc != 2) {
        fprintf(stderr, "usage: tessaly-gbk-table OUTPUT\n");
        return 2;
    }
    iconv_t cd = iconv_open("UTF-16LE", "GB18030");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        fprintf(stderr, "tessaly-gbk-table: the C library has no GB18030 converter\n");
        return 1;
    }
    std::vector<char16_t> table;
    std::vector<char16_t> beyond;  // index, high, low
    table.reserve(kTwoByteCount + kFourByteBmpCount);
    auto add = [&](const std::string& code) {
        const std::u16string c = decodeOne(cd, code);
        const bool twoByte = code.size() == 2;
        if (c.size() == 2 && twoByte) {
            beyond.insert(beyond.end(), {char16_t(table.size()), c[0], c[1]});
            table.push_back(kBeyondBmp);
            return true;
        }
        if (c.size() > 1 || (twoByte && c.size() == 1 && c[0] == kBeyondBmp)) {
            fprintf(stderr, "tessaly-gbk-table: code %02X %02X... decodes to what the table cannot hold\n",
                    unsigned(uint8_t(code[0])), unsigned(uint8_t(code[1])));
            return false;
        }
        table.push_back(c.empty() ? char16_t(0) : c[0]);
        return true;
    };
    for (unsigned lead = kLeadFirst; lead <= kLeadLast; ++lead) {
        for (unsigned trail = kTrailFirst; trail <= kTrailLast; ++trail) {
            if (!add({char(lead), char(trail)})) return 1;
        }
    }
    for (uint32_t n = 0; n < kFourByteBmpCount; ++n) {
        const std::string code{char(0x81 + n / 12600), char(0x30 + n / 1260 % 10), char(0x81 + n / 10 % 126),
                               char(0x30 + n % 10)};
        if (!add(code)) return 1;
    }
    iconv_close(cd);
    table.push_back(char16_t(beyond.size() / 3));
    table.insert(table.end(), beyond.begin(), beyond.end());
    std::string bytes;
    for (char16_t c : table) {
        bytes.push_back(char(c & 0xFF));
        bytes.push_back(char(c >> 8));
    }
    FILE* f = fopen(argv[1], "wb");
    if (!f || fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || fclose(f) != 0) {
        fprintf(stderr, "tessaly-gbk-table: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
