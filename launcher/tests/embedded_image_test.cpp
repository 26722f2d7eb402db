// Where the program image lies in the built executable, what the executable
// links, and the version note it carries.

#include <elf.h>
#include <gtest/gtest.h>
#include <string.h>

#include <sstream>
#include <string>

#include "launcher/tests/elf_file.h"
#include "launcher/tests/process_runner.h"
#include "launcher/tests/temp_tree.h"

namespace {

using launcher_test::ElfFile;

class BuiltLauncher : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(elf_.error(), ""); }
    ElfFile elf_{LAUNCHER_EXE};
};

TEST_F(BuiltLauncher, IsANonPieExecutable) { EXPECT_EQ(elf_.type(), ET_EXEC); }

TEST_F(BuiltLauncher, LinksNoWindowSystem) {
    const auto needed = elf_.neededLibraries();
    EXPECT_FALSE(needed.empty());
    for (const std::string& library : needed) {
        EXPECT_EQ(library.find("Qt"), std::string::npos) << library;
        EXPECT_EQ(library.find("X11"), std::string::npos) << library;
    }
}

TEST_F(BuiltLauncher, ImageIsTheFirstByteOfData) {
    const launcher_test::ElfSection* data = elf_.section(".data");
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->type, static_cast<uint32_t>(SHT_PROGBITS));
    EXPECT_EQ(data->flags & (SHF_ALLOC | SHF_WRITE), static_cast<uint64_t>(SHF_ALLOC | SHF_WRITE));
    EXPECT_EQ(elf_.section(".tessaly_image"), nullptr) << "the image lies outside .data";

    const auto image = elf_.symbol("tessaly_image");
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->value, data->address);
    // Below 2 GiB, so that 32-bit values can hold the image's addresses.
    EXPECT_LT(image->value + data->size, 0x80000000ull);

    const std::string file = launcher_test::readFile(LAUNCHER_IMAGE_FILE);
    ASSERT_GE(file.size(), 4u);
    EXPECT_EQ(file.substr(0, 4), std::string("QZ\0\0", 4));
    EXPECT_EQ(image->size, file.size());
    const std::vector<uint8_t> bytes = elf_.bytes(*data);
    ASSERT_GE(bytes.size(), file.size());
    EXPECT_TRUE(std::equal(file.begin(), file.end(), bytes.begin(),
                           [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; }));
}

TEST_F(BuiltLauncher, NmAgreesOnTheImageAddress) {
    const auto image = elf_.symbol("tessaly_image");
    const launcher_test::ElfSection* data = elf_.section(".data");
    ASSERT_TRUE(image && data);
    const auto nm = launcher_test::runProgram({"/usr/bin/nm", LAUNCHER_EXE}, {"PATH=/usr/bin:/bin"});
    ASSERT_EQ(nm.exitStatus, 0) << nm.err;
    std::istringstream lines(nm.out);
    std::string line;
    unsigned long long address = 0;
    bool found = false;
    while (std::getline(lines, line)) {
        char type;
        char name[256];
        unsigned long long value;
        if (sscanf(line.c_str(), "%llx %c %255s", &value, &type, name) == 3 && strcmp(name, "tessaly_image") == 0) {
            address = value;
            found = true;
            EXPECT_EQ(type, 'D');
        }
    }
    ASSERT_TRUE(found);
    EXPECT_EQ(address, data->address);
}

// The freedesktop.org package note: owner "FDO", type 0xcafe1a7e, one line of
// JSON, which readelf -n prints as text.
TEST_F(BuiltLauncher, CarriesItsPackageNote) {
    const launcher_test::ElfSection* note = elf_.section(".note.package");
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->type, static_cast<uint32_t>(SHT_NOTE));
    EXPECT_NE(note->flags & SHF_ALLOC, 0u);
    const std::vector<uint8_t> bytes = elf_.bytes(*note);
    ASSERT_GE(bytes.size(), sizeof(Elf64_Nhdr));
    Elf64_Nhdr header;
    memcpy(&header, bytes.data(), sizeof header);
    const size_t nameAt = sizeof header;
    const size_t descAt = nameAt + ((header.n_namesz + 3) & ~3u);
    ASSERT_LE(descAt + header.n_descsz, bytes.size());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[nameAt]), header.n_namesz), std::string("FDO\0", 4));
    EXPECT_EQ(header.n_type, 0xcafe1a7eu);
    const std::string json(reinterpret_cast<const char*>(&bytes[descAt]));
    EXPECT_EQ(json.size() + 1, header.n_descsz);
    EXPECT_EQ(json.front(), '{');
    EXPECT_EQ(json.back(), '}');
    EXPECT_EQ(json.find('\n'), std::string::npos) << json;
    for (const char* field : {"\"type\":\"deb\"", "\"name\":\"tessaly\"", "\"version\":\"1.0.0.0\"",
                              "\"architecture\":\"amd64\"", "\"description\":\"", "\"author\":\""}) {
        EXPECT_NE(json.find(field), std::string::npos) << field << " in " << json;
    }
    EXPECT_EQ(json.find("\"\""), std::string::npos) << "an empty value: " << json;

    const auto readelf = launcher_test::runProgram({"/usr/bin/readelf", "-n", LAUNCHER_EXE}, {"PATH=/usr/bin:/bin"});
    ASSERT_EQ(readelf.exitStatus, 0) << readelf.err;
    EXPECT_NE(readelf.out.find(json), std::string::npos) << readelf.out;
}

}  // namespace
