// The shell's drop is read within its own block: wide and ANSI file lists,
// and nothing from a block whose list runs past its end or from a handle
// that is no block of this process (as Wine's virtual desktop hands over).
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>
#include <string>

#include "vexrun/dravolt/shell_drop.h"

namespace {

HDROP makeDrop(const void* files, size_t bytes, bool wide, size_t offset = sizeof(DROPFILES)) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + bytes);
    auto* header = static_cast<DROPFILES*>(GlobalLock(block));
    header->pFiles = DWORD(offset);
    header->fWide = wide;
    std::memcpy(reinterpret_cast<char*>(header) + sizeof(DROPFILES), files, bytes);
    GlobalUnlock(block);
    return static_cast<HDROP>(block);
}

TEST(ShellDrop, ReadsTheFirstFileWithinTheDropsOwnBlock) {
    const wchar_t wide[] = L"Z:\\tmp\\\u5b57\u5e55.srt\0Z:\\second.srt\0";
    HDROP drop = makeDrop(wide, sizeof wide, true);
    EXPECT_EQ(dravolt::firstDroppedFile(drop), L"Z:\\tmp\\\u5b57\u5e55.srt");
    GlobalFree(drop);
    const char ansi[] = "C:\\a.srt\0";
    drop = makeDrop(ansi, sizeof ansi, false);
    EXPECT_EQ(dravolt::firstDroppedFile(drop), L"C:\\a.srt");
    GlobalFree(drop);

    // A list without its end, or that starts past the block, gives nothing.
    const wchar_t unended[] = {L'Z', L':', L'\\', L'x'};
    drop = makeDrop(unended, sizeof unended, true);
    EXPECT_EQ(dravolt::firstDroppedFile(drop), L"");
    GlobalFree(drop);
    drop = makeDrop(wide, sizeof wide, true, 1 << 20);
    EXPECT_EQ(dravolt::firstDroppedFile(drop), L"");
    GlobalFree(drop);

    // Memory that is no block of this process's heap: a handle from another process.
    alignas(8) char stack[64] = {};
    auto* foreign = reinterpret_cast<DROPFILES*>(stack + 16);
    foreign->pFiles = sizeof(DROPFILES);
    foreign->fWide = TRUE;
    std::memcpy(foreign + 1, L"C:\\x\0", 8);
    EXPECT_EQ(dravolt::firstDroppedFile(reinterpret_cast<HDROP>(foreign)), L"");
}

}  // namespace
