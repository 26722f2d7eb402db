// The "const" section's fixed table: the constants the program's code
// addresses by their offset in the section. The table fills offsets
// 0x000-0x150; whatever else the compiled code needs follows it.
// Offsets and sizes are checked here; the bytes themselves are produced by
// constTableBytes() (const_table.cpp, hosted builds only).
#pragma once

#include <stdint.h>

namespace image {

enum ConstOffset : uint32_t {
    kConstEmptyText = 0x000,        // ""
    kConstPlus = 0x001,             // "+"
    kConstMinus = 0x003,            // "-"
    kConstEmptyBlock = 0x005,       // byte set / list header (1, 0)
    kConstSpace = 0x00D,            // " "
    kConstZero = 0x00F,             // "0"
    kConstComma = 0x011,            // ","
    kConstCommaZero = 0x013,        // ",0"
    kConstColon = 0x016,            // ":"
    kConstOne = 0x018,              // double 1.0
    kConstThree = 0x020,            // double 3.0
    kConstMsPerHour = 0x028,        // double 3600000.0
    kConstMsPerMinute = 0x030,      // double 60000.0
    kConstMsPerSecond = 0x038,      // double 1000.0
    kConstZeroZero = 0x040,         // "00"
    kConstMinusBlock = 0x043,       // byte set "-"
    kConstEmptyTime = 0x04C,        // "00:00:00,000"
    kConstArrowBlock = 0x059,       // byte set "-->"
    kConstCrLfBlock = 0x064,        // byte set CR LF
    kConstTwo = 0x06E,              // double 2.0
    kConstOrderTolerance = 0x076,   // double -1e-07
    kConstOrderMessage = 0x07E,     // "源时间至少要比上级大1毫秒啦" (GBK)
    kConstSpacedArrowBlock = 0x09A, // byte set " --> "
    kConstShiftLabel1 = 0x0A7,      // "   平移1 = "
    kConstRatioLabel1 = 0x0B3,      // "缩放比率1 = "
    kConstShiftLabel2 = 0x0C0,
    kConstRatioLabel2 = 0x0CC,
    kConstShiftLabel3 = 0x0D9,
    kConstRatioLabel3 = 0x0E5,
    kConstShiftLabel4 = 0x0F2,
    kConstRatioLabel4 = 0x0FE,
    kConstMinusOne = 0x10B,         // double -1.0
    kConstKernel32 = 0x113,         // "kernel32.dll"
    kConstOpenProcess = 0x120,      // "OpenProcess"
    kConstTerminateProcess = 0x12C, // "TerminateProcess"
    kConstGetCurrentProcessId = 0x13D,  // "GetCurrentProcessId"
    kConstTableSize = 0x151,
};

// Ratio and shift labels of segment n (1 to 4).
constexpr uint32_t ratioLabelOffset(int n) {
    return n == 1 ? kConstRatioLabel1 : n == 2 ? kConstRatioLabel2 : n == 3 ? kConstRatioLabel3 : kConstRatioLabel4;
}
constexpr uint32_t shiftLabelOffset(int n) {
    return n == 1 ? kConstShiftLabel1 : n == 2 ? kConstShiftLabel2 : n == 3 ? kConstShiftLabel3 : kConstShiftLabel4;
}

}  // namespace image
