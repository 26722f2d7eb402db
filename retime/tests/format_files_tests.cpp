// Real subtitles of every format through tessaly-retime: the identity gives
// each file back byte for byte, and a shift or a frame-rate change moves
// every time by exactly the mapping (within the format's resolution) and
// leaves every other byte as it was. The output is read here with a reader of
// the test's own, which knows each format by the file's name, not with the
// engine's.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "engine/tests/test_files.h"
#include "retime/tests/tool_run.h"

namespace {

namespace fs = std::filesystem;
using testfiles::readFile;
using testfiles::writeFile;

// A text cut into the bytes between times and the times themselves.
struct Piece {
    bool time;
    std::string text;
    double value;  // a time: milliseconds, or a frame number
};

enum class Kind { Srt, WebVtt, Ass, Sbv, MicroDvd };

Kind kindOf(const fs::path& p) {
    const std::string ext = p.extension().string();
    if (ext == ".vtt") return Kind::WebVtt;
    if (ext == ".ass" || ext == ".ssa") return Kind::Ass;
    if (ext == ".sbv") return Kind::Sbv;
    if (ext == ".sub") return Kind::MicroDvd;
    return Kind::Srt;
}

// "H:MM:SS.fff", "MM:SS.fff", "HH:MM:SS,mmm": behind "," a count of
// milliseconds, behind "." a decimal fraction.
double timeValue(const std::string& t) {
    std::smatch m;
    static const std::regex form(R"(^(?:(\d+):)?(\d+):(\d+)([,.])(\d+)$)");
    if (!std::regex_match(t, m, form)) ADD_FAILURE() << "no time: " << t;
    const double whole = (m[1].matched ? std::stod(m[1]) * 3600000 : 0) + std::stod(m[2]) * 60000 + std::stod(m[3]) * 1000;
    const std::string f = m[5];
    if (m[4] == ",") return whole + std::stod(f);
    return whole + std::floor(std::stod("0." + f) * 1000 + 1e-6);
}

// Splits a line at the spans [b, e) that are times.
void cutLine(const std::string& line, const std::vector<std::pair<size_t, size_t>>& spans, bool frames,
             std::vector<Piece>& out) {
    size_t at = 0;
    for (auto [b, e] : spans) {
        out.push_back({false, line.substr(at, b - at), 0});
        const std::string t = line.substr(b, e - b);
        out.push_back({true, t, frames ? std::stod(t) : timeValue(t)});
        at = e;
    }
    out.push_back({false, line.substr(at), 0});
}

std::string trim(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

std::vector<Piece> cut(const std::string& text, Kind kind) {
    static const std::regex srtTime(R"((?:\d+:)?\d+:\d+[,.]\d+)");
    static const std::regex inlineTime(R"(<((?:\d{2,}:)?\d{2}:\d{2}\.\d{3})>)");
    static const std::regex sbv(R"(^(\d+:\d+:\d+\.\d+),(\d+:\d+:\d+\.\d+)$)");
    static const std::regex frames(R"(^\{(\d+)\}\{(\d+)\})");
    std::vector<Piece> out;
    bool cueText = false, events = false, firstLine = true;
    int startField = 1, endField = 2;
    size_t from = 0;
    while (from <= text.size()) {
        size_t end = text.find('\n', from);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(from, end - from);
        std::string eol = end < text.size() ? "\n" : "";
        if (!line.empty() && line.back() == '\r') line.pop_back(), eol = "\r" + eol;
        std::vector<std::pair<size_t, size_t>> spans;
        std::smatch m;
        const std::string trimmed = trim(line);
        switch (kind) {
            case Kind::Srt:
            case Kind::WebVtt:
                if (line.find("-->") != std::string::npos) {
                    for (auto it = std::sregex_iterator(line.begin(), line.end(), srtTime); it != std::sregex_iterator() && spans.size() < 2; ++it) {
                        spans.emplace_back(it->position(), it->position() + it->length());
                    }
                    cueText = true;
                } else if (kind == Kind::WebVtt && cueText && !line.empty()) {
                    for (auto it = std::sregex_iterator(line.begin(), line.end(), inlineTime); it != std::sregex_iterator(); ++it) {
                        spans.emplace_back(it->position(1), it->position(1) + it->length(1));
                    }
                } else if (line.empty()) {
                    cueText = false;
                }
                break;
            case Kind::Ass:
                if (trimmed.rfind("[", 0) == 0) events = trimmed == "[Events]";
                if (events && trimmed.rfind("Format:", 0) == 0) {
                    std::stringstream names(trimmed.substr(7));
                    std::string name;
                    for (int k = 0; std::getline(names, name, ','); ++k) {
                        name = trim(name);
                        if (name == "Start") startField = k;
                        if (name == "End") endField = k;
                    }
                }
                if (events && (trimmed.rfind("Dialogue:", 0) == 0 || trimmed.rfind("Comment:", 0) == 0)) {
                    std::vector<size_t> commas{line.find(':')};
                    for (size_t c = line.find(','); c != std::string::npos && commas.size() < 12; c = line.find(',', c + 1)) {
                        commas.push_back(c);
                    }
                    for (int k : {std::min(startField, endField), std::max(startField, endField)}) {
                        spans.emplace_back(commas[k] + 1, commas[k + 1]);
                    }
                }
                break;
            case Kind::Sbv:
                if (std::regex_match(line, m, sbv)) spans = {{m.position(1), m.position(1) + m.length(1)}, {m.position(2), m.position(2) + m.length(2)}};
                break;
            case Kind::MicroDvd:
                if (!firstLine && std::regex_search(line, m, frames)) {
                    spans = {{m.position(1), m.position(1) + m.length(1)}, {m.position(2), m.position(2) + m.length(2)}};
                }
                break;
        }
        cutLine(line + eol, spans, kind == Kind::MicroDvd, out);
        firstLine = false;
        if (end == text.size()) break;
        from = end + 1;
    }
    return out;
}

// UTF-16 LE behind its mark, as UTF-8 (the made ASS file holds the BMP only).
std::string fromUtf16(const std::string& bytes) {
    std::string out;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const unsigned u = static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x800) {
            out += static_cast<char>(0xC0 | u >> 6), out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | u >> 12), out += static_cast<char>(0x80 | (u >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}

std::string asText(const std::string& bytes) {
    return bytes.rfind("\xFF\xFE", 0) == 0 ? fromUtf16(bytes) : bytes;
}

std::vector<fs::path> sampleFiles() {
    std::vector<fs::path> files;
    for (const char* folder : {"", "formats", "formats/made"}) {
        for (const auto& e : fs::directory_iterator(fs::path(TESSALY_REAL_SUBTITLES) / folder)) {
            if (e.is_regular_file() && e.path().extension() != ".md") files.push_back(e.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

class FormatFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = retimetest::makeTestFolder("formats-test");
        ASSERT_FALSE(dir_.empty());
    }
    void TearDown() override { fs::remove_all(dir_); }

    // tessaly-retime ARGS INPUT OUTPUT: the exit status; standard error in err_.
    int run(const std::vector<std::string>& args, const fs::path& input, const fs::path& output) {
        std::vector<std::string> all = args;
        all.push_back(input.string());
        all.push_back(output.string());
        const retimetest::ToolRun r = retimetest::runTool(dir_, all);
        err_ = r.err;
        return r.status;
    }

    fs::path dir_;
    std::string err_;
};

TEST_F(FormatFilesTest, OnlyTheTimesMoveAndEachByExactlyTheMapping) {
    const std::vector<fs::path> files = sampleFiles();
    ASSERT_GE(files.size(), 25u);
    // The mappings: t x ratio + shift, truncated toward zero.
    // 25 -> 23.976 is 25 x 1001 / 24000 exactly, as --fps takes it.
    const double ntsc = 25025.0 / 24000.0;
    const struct {
        std::vector<std::string> args;
        double ratio, shift;
    } kMappings[] = {{{"--custom", "1", "+00:00:00,000"}, 1, 0},
                     {{"--custom", "1", "+00:00:01,234"}, 1, 1234},
                     {{"--fps", "25:23.976"}, ntsc, 0},
                     {{"--fps", "23.976:25", "--shift", "+00:00:00,500"}, 24000.0 / 25025.0, 500}};
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        const Kind kind = kindOf(file);
        const std::string input = readFile(file);
        const std::vector<Piece> before = cut(asText(input), kind);
        size_t times = 0;
        for (const Piece& p : before) times += p.time;
        EXPECT_GT(times, 0u);
        const double fps = kind == Kind::MicroDvd ? 23.976 : 0;
        for (const auto& mapping : kMappings) {
            SCOPED_TRACE(mapping.args[1]);
            ASSERT_EQ(run(mapping.args, file, dir_ / "out"), 0) << err_;
            const std::string output = readFile(dir_ / "out");
            if (mapping.ratio == 1 && mapping.shift == 0) {
                EXPECT_EQ(output, input);
                continue;
            }
            EXPECT_EQ(output.rfind("\xFF\xFE", 0) == 0, input.rfind("\xFF\xFE", 0) == 0);
            const std::vector<Piece> after = cut(asText(output), kind);
            ASSERT_EQ(after.size(), before.size());
            int wrong = 0;
            for (size_t i = 0; i < before.size() && wrong < 5; ++i) {
                const Piece &b = before[i], &a = after[i];
                if (!b.time) {
                    wrong += a.text != b.text;
                    EXPECT_EQ(a.text, b.text);
                    continue;
                }
                // The mapping in milliseconds; frames through the frame rate.
                const double ms = kind == Kind::MicroDvd ? std::round(b.value * 1000 / fps) : b.value;
                const double mapped = std::trunc(ms * mapping.ratio + mapping.shift);
                const double got = kind == Kind::MicroDvd ? a.value * 1000 / fps : a.value;
                const double resolution = kind == Kind::MicroDvd ? 500 / fps + 0.5 : kind == Kind::Ass ? 5 : 0;
                if (std::abs(got - mapped) > resolution) {
                    ++wrong;
                    ADD_FAILURE() << b.text << " became " << a.text << ", not " << mapped << " ms";
                }
            }
        }
    }
}

TEST_F(FormatFilesTest, MicroDvdNeedsAFrameRate) {
    writeFile(dir_ / "film.sub", "{24}{72}First line\r\n{100}{150}Second\r\n");
    EXPECT_EQ(run({"--custom", "1", "+00:00:01,000"}, dir_ / "film.sub", dir_ / "out"), 3);
    EXPECT_EQ(err_, "tessaly-retime: '" + (dir_ / "film.sub").string() +
                        "' is MicroDVD (frame numbers) and gives no frame rate: give --frame-rate FPS, or a first line "
                        "{1}{1}FPS; nothing written\n");
    EXPECT_FALSE(fs::exists(dir_ / "out"));
    // At 25 frames per second one second is 25 frames; the option wins over
    // a first line.
    ASSERT_EQ(run({"--custom", "1", "+00:00:01,000", "--frame-rate", "25"}, dir_ / "film.sub", dir_ / "out"), 0) << err_;
    EXPECT_EQ(readFile(dir_ / "out"), "{49}{97}First line\r\n{125}{175}Second\r\n");
    writeFile(dir_ / "framed.sub", "{1}{1}50\r\n{24}{72}First line\r\n");
    ASSERT_EQ(run({"--custom", "1", "+00:00:01,000", "--frame-rate", "25"}, dir_ / "framed.sub", dir_ / "out"), 0);
    EXPECT_EQ(readFile(dir_ / "out"), "{1}{1}50\r\n{49}{97}First line\r\n");
    EXPECT_EQ(run({"--frame-rate", "0", "--custom", "1", "0"}, dir_ / "film.sub", dir_ / "out"), 2);
}

}  // namespace
