// The program image the build makes, loaded and run by the core with
// stand-in support libraries and a recording window system.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "image/image_reader.h"
#include "vexrun/kernel/core/helper_table.h"
#include "vexrun/kernel/core/memory.h"
#include "vexrun/kernel/core/program_loader.h"
#include "vexrun/kernel/core/tests/fake_gui_backend.h"

namespace {

void setVariable(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value ? value : "");
#else
    if (value) {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
#endif
}

std::vector<uint8_t> imageBytes() {
    std::ifstream in(TESSALY_IMAGE_FILE, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class RealImage : public ::testing::Test {
protected:
    void SetUp() override { setVariable("VEXRUN_LIBRARY_DIR", VEXRUN_CORE_STUB_DIR); }
    void TearDown() override {
        vexrun::unloadProgramImage();
        setVariable("VEXRUN_LIBRARY_DIR", nullptr);
    }
};

TEST_F(RealImage, EveryRelocatedValueIsItsBasePlusTheStoredOne) {
    const std::vector<uint8_t> bytes = imageBytes();
    image::ImageError readError;
    std::optional<image::ImageView> view = image::readImage(bytes, readError);
    ASSERT_TRUE(view) << readError.message;
    std::string error;
    ASSERT_TRUE(vexrun::loadProgramImageCopy(bytes, error)) << error;
    const vexrun::LoadedProgram* p = vexrun::loadedProgram();
    const image::SectionView* code = view->section("code");
    ASSERT_NE(code, nullptr);
    ASSERT_FALSE(code->relocations.empty());

    const uint64_t bases[4] = {reinterpret_cast<uint64_t>(vexrun::helperTable()),
                               reinterpret_cast<uint64_t>(p->constData), reinterpret_cast<uint64_t>(p->variables),
                               reinterpret_cast<uint64_t>(p->code)};
    for (uint32_t entry : code->relocations) {
        const uint32_t at = image::relocationOffset(entry);
        uint32_t stored, relocated;
        memcpy(&stored, code->data.data() + at, 4);
        memcpy(&relocated, p->code + at, 4);
        ASSERT_EQ(relocated, bases[image::relocationKind(entry)] + stored) << "code offset " << at;
        ASSERT_LT(relocated, 0x80000000u);
    }
    EXPECT_EQ(p->variablesSize, 0x74u);
    for (uint32_t i = 0; i < p->variablesSize; ++i) ASSERT_EQ(p->variables[i], 0) << "var byte " << i;
    EXPECT_EQ(p->entry, reinterpret_cast<vx::ImageRoutine>(p->image + view->entryOffset()));
}

struct LoggingGui : coretest::FakeGuiBackend {
    int32_t loadWindow(uint32_t windowId) override {
        fprintf(stderr, "[load window %x]\n", windowId);
        return 1;
    }
    int32_t runMessageLoop() override {
        fprintf(stderr, "[message loop]\n");
        return 0;
    }
    void shutdown() override { fprintf(stderr, "[shutdown]\n"); }
};

TEST_F(RealImage, RunsFromTheEntryRoutineToTheExitRoutineAndFreesEveryBlock) {
    const std::vector<uint8_t> bytes = imageBytes();
    EXPECT_EXIT(
        {
            setVariable("VEXRUN_REPORT_BLOCKS", "1");
            static LoggingGui gui;
            vexrun::setGuiBackend(&gui);
            std::string error;
            if (!vexrun::loadProgramImageCopy(bytes, error)) {
                fprintf(stderr, "%s\n", error.c_str());
                _exit(99);
            }
            vexrun::callEntryRoutine();
        },
        ::testing::ExitedWithCode(0),
        "\\[load window 52010001\\]\n\\[message loop\\]\n\\[shutdown\\]\nvexrun: live blocks at exit: 0\n$");
}

}  // namespace
