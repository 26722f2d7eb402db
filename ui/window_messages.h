// Texts of the message boxes the adjust action shows besides the source-order
// message of the const table, in GBK as the window shows them.
#pragma once

namespace ui {

// "字幕框里没有认得的时间行啦": the subtitle box holds no time line of any
// format the engine knows (SRT, WebVTT, ASS/SSA, SBV, MicroDVD).
constexpr char kNoTimeLineMessage[] =
    "\xD7\xD6\xC4\xBB\xBF\xF2\xC0\xEF\xC3\xBB\xD3\xD0\xC8\xCF\xB5\xC3\xB5\xC4\xCA\xB1\xBC\xE4\xD0\xD0\xC0\xB2";

// "字幕框里的MicroDVD字幕缺少首行{1}{1}帧率啦": frame numbers without the
// frame rate that turns them into times.
constexpr char kNoFrameRateMessage[] =
    "\xD7\xD6\xC4\xBB\xBF\xF2\xC0\xEF\xB5\xC4" "MicroDVD" "\xD7\xD6\xC4\xBB\xC8\xB1\xC9\xD9\xCA\xD7\xD0\xD0"
    "{1}{1}" "\xD6\xA1\xC2\xCA\xC0\xB2";

// "有时间调节后早于0，已按0写出啦": a mapped time below zero in a format that
// holds none (all but SRT) was written as zero.
constexpr char kBelowZeroMessage[] =
    "\xD3\xD0\xCA\xB1\xBC\xE4\xB5\xF7\xBD\xDA\xBA\xF3\xD4\xE7\xD3\xDA" "0" "\xA3\xAC\xD2\xD1\xB0\xB4" "0"
    "\xD0\xB4\xB3\xF6\xC0\xB2";

}  // namespace ui
