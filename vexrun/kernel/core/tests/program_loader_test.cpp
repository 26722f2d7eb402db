// The loader on small hand-made images: relocation arithmetic, zeroed
// variables, the entry routine, support libraries, and every way an image can
// fail to load.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "vexrun/kernel/core/helper_table.h"
#include "vexrun/kernel/core/platform.h"
#include "vexrun/kernel/core/memory.h"
#include "vexrun/kernel/core/program_loader.h"
#include "vexrun/kernel/core/runtime_errors.h"
#include "vexrun/kernel/core/support_libraries.h"
#include "vexrun/kernel/core/tests/kernel_call.h"
#include "vexrun/kernel/core/tests/tiny_image.h"

using coretest::TinyImage;
using ::testing::ExitedWithCode;
using ::testing::HasSubstr;

namespace {

// Code that exercises each relocation kind, entry at code offset 0:
//   mov dword [var+0], 0x12345678      kind 2 at 3
//   mov eax, [const+1]                 kind 1 at 14
//   mov [var+4], eax                   kind 2 at 21
//   mov eax, code+65                   kind 3 at 26
//   mov [var+8], eax                   kind 2 at 33
//   sub rsp, 8 / mov edi, 32
//   call [table+0x30] (allocate)       kind 0 at 49
//   mov [var+0x10], rax                kind 2 at 57
//   add rsp, 8 / ret (at 65)
TinyImage relocatingImage() {
    TinyImage t;
    t.code = {0xC7, 0x04, 0x25, 0x00, 0x00, 0x00, 0x00, 0x78, 0x56, 0x34, 0x12,  //
              0x8B, 0x04, 0x25, 0x01, 0x00, 0x00, 0x00,                          //
              0x89, 0x04, 0x25, 0x04, 0x00, 0x00, 0x00,                          //
              0xB8, 0x41, 0x00, 0x00, 0x00,                                      //
              0x89, 0x04, 0x25, 0x08, 0x00, 0x00, 0x00,                          //
              0x48, 0x83, 0xEC, 0x08,                                            //
              0xBF, 0x20, 0x00, 0x00, 0x00,                                      //
              0xFF, 0x14, 0x25, 0x30, 0x00, 0x00, 0x00,                          //
              0x48, 0x89, 0x04, 0x25, 0x10, 0x00, 0x00, 0x00,                    //
              0x48, 0x83, 0xC4, 0x08,                                            //
              0xC3};
    t.relocations = {(3u << 3) | 2, (14u << 3) | 1, (21u << 3) | 2, (26u << 3) | 3,
                     (33u << 3) | 2, (49u << 3) | 0, (57u << 3) | 2};
    return t;
}

// mov edi, 42 / call [table+0x48] (end the process): the runtime's own way out.
TinyImage endingImage() {
    TinyImage t;
    t.code = {0x48, 0x83, 0xEC, 0x08, 0xBF, 0x2A, 0x00, 0x00, 0x00, 0xFF, 0x14, 0x25, 0x48, 0x00, 0x00, 0x00};
    t.relocations = {(12u << 3) | 0};
    return t;
}

uint32_t u32At(const uint8_t* p) {
    uint32_t v;
    memcpy(&v, p, 4);
    return v;
}
uint64_t u64At(const uint8_t* p) {
    uint64_t v;
    memcpy(&v, p, 8);
    return v;
}

class Loader : public ::testing::Test {
protected:
    void TearDown() override {
        vexrun::unloadProgramImage();
        unsetenv("VEXRUN_LIBRARY_DIR");
    }
    bool load(const TinyImage& t) { return vexrun::loadProgramImageCopy(t.build(), error); }
    std::string error;
};

TEST_F(Loader, RelocatesEveryKindAndRunsTheEntryRoutine) {
    ASSERT_TRUE(load(relocatingImage())) << error;
    const vexrun::LoadedProgram* p = vexrun::loadedProgram();
    ASSERT_NE(p, nullptr);
    // Everything the code addresses lies below 2 GiB.
    EXPECT_LT(reinterpret_cast<uintptr_t>(p->image), 0x80000000u);
    EXPECT_LT(reinterpret_cast<uintptr_t>(p->variables), 0x80000000u);
    EXPECT_EQ(p->variablesSize, 0x74u);
    EXPECT_EQ(p->codeSize, 66u);
    EXPECT_EQ(p->form.size(), 4u);
    EXPECT_EQ(p->form[0], 1);
    EXPECT_EQ(u32At(p->constData + TinyImage::kMarkerOffset), 0xCAFEBABEu);

    // The relocated values: base + the value that stood there.
    const auto var = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p->variables));
    EXPECT_EQ(u32At(p->code + 3), var + 0);
    EXPECT_EQ(u32At(p->code + 14), static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p->constData)) + 1);
    EXPECT_EQ(u32At(p->code + 21), var + 4);
    EXPECT_EQ(u32At(p->code + 26), static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p->code)) + 65);
    EXPECT_EQ(u32At(p->code + 49), static_cast<uint32_t>(reinterpret_cast<uintptr_t>(vexrun::helperTable())) + 0x30);
    EXPECT_EQ(u32At(p->code + 7), 0x12345678u);  // an immediate that is no relocation stays

    for (uint32_t i = 0; i < p->variablesSize; ++i) ASSERT_EQ(p->variables[i], 0) << "var byte " << i;

    const int64_t live = vexrun::liveBlockCount();
    vexrun::callEntryRoutine();
    EXPECT_EQ(u32At(p->variables + 0), 0x12345678u);
    EXPECT_EQ(u32At(p->variables + 4), 0xCAFEBABEu);
    EXPECT_EQ(u32At(p->variables + 8), reinterpret_cast<uintptr_t>(p->code) + 65);
    EXPECT_EQ(vexrun::liveBlockCount(), live + 1);  // the code allocated through slot 6
    void* block = reinterpret_cast<void*>(u64At(p->variables + 0x10));
    EXPECT_EQ(vexrun::blockSize(block), 32u);
    vexrun::freeBlock(block);
    for (uint32_t i = 0x18; i < p->variablesSize; ++i) ASSERT_EQ(p->variables[i], 0) << "var byte " << i;
}

TEST_F(Loader, AProgramIsLoadedOnceAtATime) {
    ASSERT_TRUE(load(TinyImage{})) << error;
    EXPECT_FALSE(load(TinyImage{}));
    EXPECT_EQ(error, "a program image is already loaded");
    vexrun::unloadProgramImage();
    EXPECT_EQ(vexrun::loadedProgram(), nullptr);
    EXPECT_TRUE(load(TinyImage{})) << error;
}

TEST_F(Loader, AWrongMagicIsNamed) {
    std::vector<uint8_t> bytes = TinyImage{}.build();
    bytes[1] = 'X';
    EXPECT_FALSE(vexrun::loadProgramImageCopy(bytes, error));
    EXPECT_EQ(error, "not a program image: it does not begin with \"QZ\" and two NUL bytes");
    EXPECT_FALSE(vexrun::loadProgramImageCopy(std::vector<uint8_t>{'Q', 'Z'}, error));
    EXPECT_EQ(vexrun::loadedProgram(), nullptr);
}

TEST_F(Loader, AMalformedImageGetsTheReadersMessage) {
    std::vector<uint8_t> bytes = TinyImage{}.build();
    bytes.resize(bytes.size() - 20);  // the last section runs past the end
    EXPECT_FALSE(vexrun::loadProgramImageCopy(bytes, error));
    EXPECT_THAT(error, HasSubstr("malformed program image: "));
    EXPECT_THAT(error, HasSubstr("past the end of the image"));
}

TEST_F(Loader, ARelocationOutsideTheCodeIsRefused) {
    TinyImage t;
    t.code = {0xC3, 0, 0, 0, 0};
    t.relocations = {(2u << 3) | 1};  // 4 bytes from offset 2 run past the 5-byte code
    EXPECT_FALSE(load(t));
    EXPECT_THAT(error, HasSubstr("outside the code"));
}

TEST_F(Loader, AnImageAbove2GiBIsRefusedBeforeAnyCodeChanges) {
    TinyImage t = relocatingImage();
    std::vector<uint8_t> bytes = t.build();
    std::vector<uint8_t> original = bytes;
    if (reinterpret_cast<uintptr_t>(bytes.data()) < 0x80000000u) GTEST_SKIP() << "the heap lies below 2 GiB here";
    EXPECT_FALSE(vexrun::loadProgramImage(bytes.data(), bytes.size(), error));
    EXPECT_THAT(error, HasSubstr("does not lie below 2 GiB"));
    EXPECT_THAT(error, HasSubstr("relocation entry 1 (code offset 0xe, kind 1)"));  // the const data
    EXPECT_EQ(bytes, original);
}

TEST_F(Loader, AMissingSupportLibraryIsReportedByName) {
    char folder[] = "/tmp/vexrun-empty-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    setenv("VEXRUN_LIBRARY_DIR", folder, 1);
    TinyImage t;
    t.libraries = {"vexrun", "plintor"};
    EXPECT_FALSE(load(t));
    EXPECT_THAT(error, HasSubstr("cannot load support library plintor: "));
    EXPECT_THAT(error, HasSubstr(std::string(folder) + "/plintor.vxl"));
    EXPECT_EQ(vexrun::loadedProgram(), nullptr);
    EXPECT_EQ(vexrun::loadedLibraryCount(), 0u);
    rmdir(folder);
}

TEST_F(Loader, TheKernelLibraryMustComeFirst) {
    TinyImage t;
    t.libraries = {"plintor", "vexrun"};
    EXPECT_FALSE(load(t));
    EXPECT_EQ(error, "the library table does not begin with the kernel library \"vexrun\" (it begins with \"plintor\")");
}

TEST_F(Loader, SupportLibrariesAreLoadedAndTheirCommandsCalled) {
    setenv("VEXRUN_LIBRARY_DIR", VEXRUN_CORE_FIXTURE_DIR, 1);
    TinyImage t;
    t.libraries = {"vexrun", "coretest"};
    ASSERT_TRUE(load(t)) << error;
    ASSERT_EQ(vexrun::loadedLibraryCount(), 2u);
    EXPECT_EQ(vexrun::loadedLibrary(0), nullptr);  // the kernel itself
    ASSERT_NE(vexrun::loadedLibrary(1), nullptr);
    EXPECT_STREQ(vexrun::loadedLibrary(1)->name, "coretest");
    EXPECT_EQ(vexrun::loadedLibrary(2), nullptr);

    const vx::HelperTable& slots = *vexrun::helperTable();
    coretest::Args one({prog::argInt(41)});
    EXPECT_EQ(slots.callLibrary(1, 0 * 4, one.list()), 42u);
    coretest::Args three({prog::argInt(1), prog::argOmitted(), prog::argOmitted()});
    EXPECT_EQ(slots.callLibrary(1, 1 * 4, three.list()), 3u);
    EXPECT_EXIT(slots.callLibrary(1, 2 * 4, one.list()), ExitedWithCode(vexrun::kExitRuntimeError),
                "support-library command 2 of library index 1 \\(coretest\\): it has 2 commands");
    EXPECT_EXIT(slots.callLibrary(5, 0, one.list()), ExitedWithCode(vexrun::kExitRuntimeError),
                "library index 5: no such library is loaded");
    EXPECT_EXIT(slots.callLibrary(0, 0, one.list()), ExitedWithCode(vexrun::kExitRuntimeError),
                "the kernel library has no support-library commands");
}

TEST_F(Loader, ASharedObjectWithoutTheExportIsNoSupportLibrary) {
    setenv("VEXRUN_LIBRARY_DIR", VEXRUN_CORE_FIXTURE_DIR, 1);
    TinyImage t;
    t.libraries = {"vexrun", "coretest", "coretestbad"};
    EXPECT_FALSE(load(t));
    EXPECT_THAT(error, HasSubstr("cannot load support library coretestbad: "));
    EXPECT_THAT(error, HasSubstr("has no export vexSupportLibrary"));
    EXPECT_EQ(vexrun::loadedLibraryCount(), 0u);
}

TEST_F(Loader, DllCommandsAreResolvedFromTheImageNames) {
    TinyImage t;
    t.dllNames = {"kernel32.dll", "GetCurrentProcessId", "OpenProcess", "TerminateProcess"};
    ASSERT_TRUE(load(t)) << error;
    EXPECT_EQ(vexrun::helperTable()->callDll(0, 0, 0, 0), static_cast<uint64_t>(getpid()));
    vexrun::unloadProgramImage();
    EXPECT_EQ(vexrun::helperTable()->callDll(vx::kDllGetCurrentProcessId, 0, 0, 0), static_cast<uint64_t>(getpid()));

    t.dllNames = {"kernel32.dll", "OpenProcess", "ExitProcess", "GetCurrentProcessId"};
    EXPECT_FALSE(load(t));
    EXPECT_EQ(error, "unknown DLL command 1: kernel32.dll has no function \"ExitProcess\" here");
    t.dllNames = {"user32.dll", "OpenProcess", "TerminateProcess", "GetCurrentProcessId"};
    EXPECT_FALSE(load(t));
    EXPECT_THAT(error, HasSubstr("unknown DLL \"user32.dll\""));
}

TEST_F(Loader, AnImageFileIsCopiedBelow2GiB) {
    char path[] = "/tmp/vexrun-image-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    std::vector<uint8_t> bytes = relocatingImage().build();
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(fd);
    ASSERT_TRUE(vexrun::loadProgramImageFile(path, error)) << error;
    EXPECT_LT(reinterpret_cast<uintptr_t>(vexrun::loadedProgram()->image), 0x80000000u);
    unlink(path);
    vexrun::unloadProgramImage();
    EXPECT_FALSE(vexrun::loadProgramImageFile(path, error));
    EXPECT_THAT(error, HasSubstr(std::string("cannot read program image ") + path));
}

// The image as the launcher hands it over: an address in writable memory,
// not executable yet; the entry routine ends the process through slot 9.
TEST(RuntimeEntry, LoadsTheImageWhereItLiesAndRunsItToTheEnd) {
    std::vector<uint8_t> bytes = endingImage().build();
    EXPECT_EXIT(
        {
            void* m = mmap(nullptr, 8192, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
            memcpy(m, bytes.data(), bytes.size());
            vexrun::runtimeEntry(static_cast<const uint8_t*>(m));
        },
        ExitedWithCode(42), "");
}

TEST(RuntimeEntry, ALoadFaultIsReportedAndTheProgramDoesNotStart) {
    std::vector<uint8_t> bytes = endingImage().build();
    bytes[0] = 'X';
    EXPECT_EXIT(vexrun::runtimeEntry(bytes.data()), ExitedWithCode(vexrun::kExitLoadFailure),
                "^vexrun: not a program image");
    TinyImage missing = endingImage();
    missing.libraries = {"vexrun", "stylon"};
    std::vector<uint8_t> b2 = missing.build();
    EXPECT_EXIT(
        {
            setenv("VEXRUN_LIBRARY_DIR", "/nonexistent-folder", 1);
            void* m = mmap(nullptr, 8192, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
            memcpy(m, b2.data(), b2.size());
            vexrun::runtimeEntry(static_cast<const uint8_t*>(m));
        },
        ExitedWithCode(vexrun::kExitLoadFailure), "vexrun: cannot load support library stylon: ");
}

TEST(MappedExtent, CoversAdjacentReadablePagesAndNothingUnmapped) {
    auto* m = static_cast<uint8_t*>(mmap(nullptr, 3 * 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(m, MAP_FAILED);
    munmap(m + 2 * 4096, 4096);  // a hole after two pages
    EXPECT_EQ(vexrun::platform::readableExtent(m + 100), 2 * 4096u - 100);
    EXPECT_EQ(vexrun::platform::readableExtent(reinterpret_cast<void*>(16)), 0u);
    munmap(m, 2 * 4096);
}

}  // namespace
