// Command 0 of the sync library, read alike by both window layers' builds:
// (text path, text subtitle, integer box) → 0 when the drop is not the
// library's (the box's drop goes on as before); else a list of texts (GBK):
// none when cancelled; the message alone when nothing is filled; else the
// message, the segment count, the custom ratio, the source times of rows 0/4
// to 4/4, their target times, and "1" or "0" for the ratio boxes of rows 1/4
// to 4/4.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/vexrun_interface.h"
#include "vexrun/synvox/window_sync.h"

namespace synvox {

// The list's texts for an outcome (nothing for NotForUs).
std::vector<std::string> programTexts(const SyncOutcome& outcome);

// The work of one command, its program globals set up and released around it.
SyncOutcome syncOnce(WindowSync& sync, bool (*runUnderBox)(void* host, WindowSync& sync), void* host);

template <typename Host>
uint64_t syncCommand(Host* host, const vx::ArgListHeader* args) {
    if (!host) {
        std::fprintf(stderr, "synvox: command 0 needs the window system, which is not running\n");
        return 0;
    }
    if (!args || args->count < 3 || vx::argAt(args, 0)->tag != vx::kTagText ||
        vx::argAt(args, 1)->tag != vx::kTagText || vx::argAt(args, 2)->tag != vx::kTagInteger) {
        host->fail("synvox command 0 needs a file name, the subtitle box's text and the box it was dropped on");
    }
    auto text = [args](uint32_t i) {
        const vx::ArgRecord* a = vx::argAt(args, i);
        const char* t = reinterpret_cast<const char*>((uint64_t(a->high) << 32) | a->value);
        return std::string(t ? t : "");
    };
    const auto box = static_cast<int32_t>(vx::argAt(args, 2)->value);
    WindowSync sync(text(0), text(1), box == 2 ? DropBox::Output : DropBox::Subtitle);
    const SyncOutcome outcome = syncOnce(
        sync,
        [](void* h, WindowSync& s) {
            return static_cast<Host*>(h)->runWithProgress(vexrun::ProgressBoxTexts{s.caption()}, s);
        },
        host);
    if (outcome.kind == SyncOutcome::NotForUs) return 0;
    const std::vector<std::string> texts = programTexts(outcome);
    const std::vector<std::string_view> views(texts.begin(), texts.end());
    return reinterpret_cast<uint64_t>(host->newTextList(views));
}

}  // namespace synvox
