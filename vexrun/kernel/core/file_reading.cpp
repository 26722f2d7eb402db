// Reading a whole file, and judging whether a dropped file is a text to show.
#include "vexrun/kernel/core/file_reading.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "vexrun/kernel/core/memory.h"
#include "vexrun/kernel/core/platform.h"
#include "vexrun/kernel/core/utf16_text.h"
#include "vexrun/kernel/text/text_encoding.h"

namespace vexrun {
namespace {

constexpr uint64_t kFirstCapacity = 64 * 1024;

enum class ReadStatus { Whole, CannotOpen, Folder, TooLarge, Failed };

// The bytes of the file, read to its end (a regular file's size is known; one
// byte more sees it grown; anything else grows the buffer by half again as it
// comes, never past the limit plus the one byte that tells the input went on).
ReadStatus readWhole(std::string_view path, uint64_t maxBytes, std::string& bytes) {
    if (maxBytes > kMaxFileBytes) maxBytes = kMaxFileBytes;
    const int fd = platform::openFileForReading(std::string(path));
    if (fd < 0) return ReadStatus::CannotOpen;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return S_ISDIR(st.st_mode) ? ReadStatus::Folder : ReadStatus::Failed;
    }
    if (S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) > maxBytes) {
        ::close(fd);
        return ReadStatus::TooLarge;
    }
    uint64_t capacity = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) + 1 : kFirstCapacity;
    if (capacity > maxBytes + 1) capacity = maxBytes + 1;
    bytes.resize(capacity);
    uint64_t used = 0;
    ReadStatus status = ReadStatus::Whole;
    for (;;) {
        if (used == capacity) {
            if (used > maxBytes) {
                status = ReadStatus::TooLarge;  // refused without reading on
                break;
            }
            capacity += capacity / 2;
            if (capacity > maxBytes + 1) capacity = maxBytes + 1;
            bytes.resize(capacity);
        }
        const ssize_t n = ::read(fd, bytes.data() + used, capacity - used);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) status = ReadStatus::Failed;
        if (n <= 0) break;
        used += static_cast<uint64_t>(n);
    }
    ::close(fd);
    bytes.resize(status == ReadStatus::Whole ? used : 0);
    return status;
}

bool startsWith(std::string_view s, std::string_view head) { return s.substr(0, head.size()) == head; }

// The files people drop by mistake, known by their first bytes: pictures,
// films, sound, archives, documents.
bool hasBinarySignature(std::string_view b) {
    static constexpr std::string_view kSignatures[] = {
        "\x89PNG\r\n\x1A\n", "\xFF\xD8\xFF", "GIF87a", "GIF89a", "RIFF", "\x1A\x45\xDF\xA3", "OggS", "fLaC",
        "PK\x03\x04", "%PDF-", "7z\xBC\xAF\x27\x1C", "\x1F\x8B", "BM"};
    for (std::string_view s : kSignatures) {
        // "BM" starts a bitmap only with its header's reserved zeros behind.
        if (s == "BM" ? b.size() > 10 && startsWith(b, s) && b.substr(6, 4) == std::string_view("\0\0\0\0", 4)
                      : startsWith(b, s)) {
            return true;
        }
    }
    return b.size() >= 12 && b.substr(4, 4) == "ftyp";  // MP4, MOV, 3GP, HEIC
}

constexpr size_t kSample = 64 * 1024;
constexpr const char* kNotText = "这不是文本文件（像是图片、视频或其他二进制文件）。";

// Control bytes no text holds (a NUL among them): more than one in 32 of the
// first bytes makes a file binary (one without a known signature).
bool looksBinary(std::string_view bytes) {
    const std::string_view sample = bytes.substr(0, kSample);
    size_t controls = 0;
    for (unsigned char c : sample) {
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v' && c != 0x1A && c != 0x1B) ||
            c == 0x7F) {
            ++controls;
        }
    }
    return controls * 32 > sample.size();
}

// UTF-16 without a byte-order mark: among the first units, every other byte
// zero in one of the two positions (a text of Latin letters, digits and
// punctuation at least in part), hardly any in the other.
Utf16Order unmarkedUtf16Order(std::string_view bytes) {
    const size_t units = bytes.substr(0, kSample).size() / 2;
    if (units == 0) return Utf16Order::None;
    size_t zeroFirst = 0, zeroSecond = 0;
    for (size_t i = 0; i < units; ++i) {
        zeroFirst += bytes[2 * i] == '\0';
        zeroSecond += bytes[2 * i + 1] == '\0';
    }
    if (zeroSecond * 10 >= units * 3 && zeroFirst * 20 <= units) return Utf16Order::LittleEndian;
    if (zeroFirst * 10 >= units * 3 && zeroSecond * 20 <= units) return Utf16Order::BigEndian;
    return Utf16Order::None;
}

// The first bytes of a regular file say it is no text (a known signature, or
// control bytes without the zeros of UTF-16), as they would of the whole file.
bool headIsBinary(std::string_view path) {
    const int fd = platform::openFileForReading(std::string(path));
    if (fd < 0) return false;
    struct stat st {};
    std::string head;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        head.resize(kSample);
        size_t used = 0;
        while (used < head.size()) {
            const ssize_t n = ::read(fd, head.data() + used, head.size() - used);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            used += static_cast<size_t>(n);
        }
        head.resize(used);
    }
    ::close(fd);
    if (head.empty() || utf16OrderOf(head) != Utf16Order::None) return false;
    return hasBinarySignature(head) || (unmarkedUtf16Order(head) == Utf16Order::None && looksBinary(head));
}

std::string sizeText(uint64_t bytes) {
    if (bytes >= (uint64_t(1) << 30)) return std::to_string((bytes + (uint64_t(1) << 29)) >> 30) + " GB";
    if (bytes >= (uint64_t(1) << 20)) return std::to_string((bytes + (uint64_t(1) << 19)) >> 20) + " MB";
    return std::to_string(bytes) + " 字节";
}

}  // namespace

void* readFileAsByteSet(std::string_view path, uint64_t maxBytes) {
    std::string bytes;
    if (readWhole(path, maxBytes, bytes) != ReadStatus::Whole) return newByteSet(std::string_view());
    const Utf16Order order = utf16OrderOf(bytes);
    if (order != Utf16Order::None) {
        const std::string text = utf16ToUtf8(std::string_view(bytes).substr(2), order, Utf16Faults::Replace);
        return text.size() > std::min(maxBytes, kMaxFileBytes) ? newByteSet(std::string_view()) : newByteSet(text);
    }
    return newByteSet(bytes);
}

std::string fileNameForMessage(std::string_view path) {
    size_t cut = path.find_last_of(platform::kPathSeparator == '\\' ? "\\/" : "/");
    std::string_view name = cut == std::string_view::npos ? path : path.substr(cut + 1);
    if (name.empty()) name = path;
    return text::encode(text::decode(name), text::Encoding::Utf8);
}

std::optional<TextFile> readTextFile(std::string_view path, std::string& refusal, uint64_t maxBytes, bool* notText) {
    const std::string cannot = "读不了“" + fileNameForMessage(path) + "”：";
    if (notText) *notText = false;
    // A film or a picture is told by its first bytes, before anything is read
    // whole (a film is often larger than any text the program takes).
    if (headIsBinary(path)) {
        refusal = cannot + kNotText;
        if (notText) *notText = true;
        return std::nullopt;
    }
    std::string bytes;
    switch (readWhole(path, maxBytes, bytes)) {
        case ReadStatus::Whole: break;
        case ReadStatus::CannotOpen: refusal = cannot + "打不开这个文件。"; return std::nullopt;
        case ReadStatus::Folder: refusal = cannot + "这是文件夹。"; return std::nullopt;
        case ReadStatus::TooLarge:
            refusal = cannot + "文件太大（超过 " + sizeText(std::min(maxBytes, kMaxFileBytes)) + "）。";
            return std::nullopt;
        case ReadStatus::Failed: refusal = cannot + "读取出错，文件没能读完。"; return std::nullopt;
    }
    if (bytes.empty()) {
        refusal = cannot + "文件是空的。";
        return std::nullopt;
    }
    TextFile file;
    Utf16Order order = utf16OrderOf(bytes);
    std::string_view units(bytes);
    if (order != Utf16Order::None) {
        file.form = order == Utf16Order::LittleEndian ? TextForm::Utf16LeMarked : TextForm::Utf16BeMarked;
        units.remove_prefix(2);
    } else if (hasBinarySignature(bytes)) {
        refusal = cannot + kNotText;
        return std::nullopt;
    } else if ((order = unmarkedUtf16Order(bytes)) != Utf16Order::None) {
        file.form = order == Utf16Order::LittleEndian ? TextForm::Utf16Le : TextForm::Utf16Be;
    } else if (looksBinary(bytes)) {
        refusal = cannot + kNotText;
        return std::nullopt;
    }
    file.text = file.form == TextForm::Bytes ? std::move(bytes) : utf16ToUtf8(units, order, Utf16Faults::Replace);
    if (file.text.size() > std::min(maxBytes, kMaxFileBytes)) {
        refusal = cannot + "文件太大（超过 " + sizeText(std::min(maxBytes, kMaxFileBytes)) + "）。";
        return std::nullopt;
    }
    // The program's texts end at a NUL: a text holding one is refused, never cut.
    const size_t nul = file.text.find('\0');
    if (nul != std::string::npos) {
        size_t line = 1;
        for (size_t i = 0; i < nul; ++i) {
            if (file.text[i] == '\n' || (file.text[i] == '\r' && file.text[i + 1] != '\n')) ++line;
        }
        refusal = cannot + "第 " + std::to_string(line) + " 行";
        if (file.form == TextForm::Bytes) refusal += "（第 " + std::to_string(nul + 1) + " 字节）";
        refusal += "有空字符（NUL），不像字幕文本。";
        return std::nullopt;
    }
    return file;
}

}  // namespace vexrun
