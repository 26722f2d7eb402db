// The shared objects of build/bin as the kernel library and the launcher
// load them: the support libraries' descriptors and commands, and what
// vexrun.vxr exports.
#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <QApplication>
#include <QStyle>

#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/qt/tests/qt_test_application.h"
#include "vexrun/kernel/qt/tests/test_program.h"
#include "vexrun/kernel/qt/windowing.h"

namespace vexrun {
namespace {

using namespace vexrun::testing;

uint64_t call(const SupportLibrary* lib, uint32_t number, std::initializer_list<vx::ArgRecord> args) {
    std::vector<uint8_t> list(4 + 12 * args.size());
    const uint32_t count = uint32_t(args.size());
    std::memcpy(list.data(), &count, 4);
    size_t at = 4;
    for (const vx::ArgRecord& a : args) {
        std::memcpy(list.data() + at, &a, 12);
        at += 12;
    }
    return lib->command(number, reinterpret_cast<const vx::ArgListHeader*>(list.data()));
}

TEST(SupportLibraries, EachNamesItselfAndOnlyTheControlLibrariesHaveAWindowingPart) {
    struct Expect {
        const char* file;
        const char* name;
        bool windowing;
    };
    for (const Expect& e : {Expect{"plintor", "plintor", true}, Expect{"dravolt", "dravolt", true},
                            Expect{"ulmix", "ulmix", false}, Expect{"stylon", "stylon", false},
                            Expect{"Ravline", "Ravline", false}}) {
        const SupportLibrary* lib = supportLibrary(e.file);
        ASSERT_TRUE(lib) << e.file;
        EXPECT_EQ(lib->abi, kSupportLibraryAbi);
        EXPECT_STREQ(lib->name, e.name);
        EXPECT_EQ(lib->windowing != nullptr, e.windowing) << e.name;
        if (lib->windowing) {
            EXPECT_EQ(static_cast<const Windowing*>(lib->windowing)->abi, kWindowingAbi);
        }
    }
    auto kinds = static_cast<const Windowing*>(supportLibrary("plintor")->windowing)->kindList();
    ASSERT_EQ(kinds.size(), 1u);
    EXPECT_EQ(kinds[0].kindNumber, vx::kindNumber(vx::kKindMaskedEditBox));
    kinds = static_cast<const Windowing*>(supportLibrary("dravolt")->windowing)->kindList();
    ASSERT_EQ(kinds.size(), 1u);
    EXPECT_EQ(kinds[0].kindNumber, vx::kindNumber(vx::kKindDropTarget));
}

TEST(SupportLibraries, UlmixCommand7WaitsThatLongOnTheCallingThread) {
    const SupportLibrary* ulmix = supportLibrary("ulmix");
    ASSERT_TRUE(ulmix);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(call(ulmix, vx::kUlmixWait, {{60, 0, vx::kTagInteger}}), 0u);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(60));
    // A negative wait returns at once; another command does nothing.
    EXPECT_EQ(call(ulmix, vx::kUlmixWait, {{uint32_t(-5), 0, vx::kTagInteger}}), 0u);
    EXPECT_EQ(call(ulmix, 3, {{100000, 0, vx::kTagInteger}}), 0u);
}

std::atomic<int> gRoutineRuns{0};
std::atomic<pthread_t> gRoutineThread;
uint64_t routine() {
    gRoutineThread = pthread_self();
    ++gRoutineRuns;
    return 0;
}

TEST(SupportLibraries, RavlineCommand0RunsTheRoutineOnANewThread) {
    const SupportLibrary* ravline = supportLibrary("Ravline");
    ASSERT_TRUE(ravline);
    const uint64_t address = reinterpret_cast<uint64_t>(&routine);
    EXPECT_NE(call(ravline, vx::kRavlineStartThread,
                   {{uint32_t(address), uint32_t(address >> 32), vx::kTagSubroutine}, {0, 0, 0}, {0, 0, 0}}),
              0u);
    for (int i = 0; i < 500 && gRoutineRuns == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(gRoutineRuns, 1);
    EXPECT_FALSE(pthread_equal(gRoutineThread.load(), pthread_self()));
    // No routine: no thread, and the result says so.
    EXPECT_EQ(call(ravline, vx::kRavlineStartThread, {{0, 0, vx::kTagSubroutine}}), 0u);
}

TEST(SupportLibraries, StylonCommand0GivesTheFusionLook) {
    testApplication();
    const SupportLibrary* stylon = supportLibrary("stylon");
    ASSERT_TRUE(stylon);
    EXPECT_EQ(call(stylon, vx::kStylonApplyTheme, {{1, 0, vx::kTagInteger}}), 0u);
    EXPECT_EQ(QApplication::style()->name().toLower(), QStringLiteral("fusion"));
    EXPECT_EQ(call(stylon, vx::kStylonApplyTheme, {{0, 0, vx::kTagInteger}}), 0u);
}

TEST(KernelLibrary, ExportsTheEntryHookAndTheDriverAccessOnly) {
    const std::string path = buildDir() + "/bin/vexrun.vxr";
    void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_TRUE(lib) << dlerror();
    auto hook = reinterpret_cast<vx::ObtainEntryHookFn>(dlsym(lib, "ObtainEntryHook"));
    ASSERT_TRUE(hook);
    EXPECT_NE(hook(vx::kEntryHookSelector), nullptr);
    EXPECT_EQ(hook(999), nullptr);
    EXPECT_EQ(hook(0), nullptr);
    EXPECT_TRUE(dlsym(lib, "vexrunDriverAccess"));
    // The kernel's own functions stay inside.
    EXPECT_FALSE(dlsym(lib, "_ZN6vexrun9freeBlockEPv"));
    EXPECT_FALSE(dlsym(lib, "_ZN6vexrun10decodeTextESt17basic_string_viewIcSt11char_traitsIcEENS_4text8EncodingE"));
}

}  // namespace
}  // namespace vexrun
