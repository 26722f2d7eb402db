// Reading and decoding the input, encoding and writing the output.
#include "retime/subtitle_files.h"

#include <string_view>

#include "engine/subtitle_rewrite.h"
#include "retime/messages.h"
#include "retime/run_report.h"
#include "retime/whole_file.h"

namespace retime {

std::string inputName(const std::string& path) {
    return path.empty() || path == "-" ? say("standard input") : "'" + path + "'";
}

bool readSubtitle(const std::string& path, ByteBuffer& text, SubtitleEncoding& encoding, std::string& error) {
    encoding = SubtitleEncoding{};
    if (!readWholeInput(path, engine::kMaxSubtitleBytes, text, error, &encoding.source)) return false;
    const std::string_view bytes(reinterpret_cast<const char*>(text.data()), text.size());
    encoding.utf16 = vexrun::utf16OrderOf(bytes);
    if (encoding.utf16 == vexrun::Utf16Order::None) return true;

    // Unpaired surrogates keep their own form and an odd last byte waits
    // aside, so that the output gives back every byte the text did not change.
    const std::string_view units = bytes.substr(2);
    const std::string utf8 = vexrun::utf16ToUtf8(units, encoding.utf16, vexrun::Utf16Faults::Keep);
    if (units.size() % 2) encoding.oddByte = std::string(units.substr(units.size() - 1));
    text.release();
    if (utf8.size() > static_cast<uint64_t>(engine::kMaxSubtitleBytes)) {
        error = say("cannot read %s: as UTF-8 it is larger than %s bytes",
                    {inputName(path), std::to_string(engine::kMaxSubtitleBytes)});
        return false;
    }
    text.append(utf8.data(), utf8.size());
    return true;
}

bool writeSubtitle(const std::string& path, const SubtitleEncoding& encoding, const uint8_t* data, uint64_t count,
                   std::string& error) {
    std::string encoded;
    if (encoding.utf16 != vexrun::Utf16Order::None) {
        const std::string_view text(reinterpret_cast<const char*>(data), count);
        // The byte-order mark, then the text (appended: GCC 12 sees the
        // assignment of a short literal as a read of unset bytes).
        encoded.append(encoding.utf16 == vexrun::Utf16Order::LittleEndian ? "\xFF\xFE" : "\xFE\xFF", 2);
        encoded += vexrun::utf8ToUtf16(text, encoding.utf16);
        encoded += encoding.oddByte;
        data = reinterpret_cast<const uint8_t*>(encoded.data());
        count = encoded.size();
    }
    if (!writeWholeOutput(path, data, count, error, encoding.source)) return false;
    runReport().written = true;
    runReport().bytesWritten = count;
    return true;
}

}  // namespace retime
