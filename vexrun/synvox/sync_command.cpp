#include "vexrun/synvox/sync_command.h"

#include "messages/messages.h"
#include "runtime/entry_routine.h"
#include "runtime/program_base.h"
#include "runtime/program_variables.h"
#include "vexrun/kernel/core/helper_table.h"
#include "vexrun/kernel/text/text_encoding.h"

namespace synvox {

std::vector<std::string> programTexts(const SyncOutcome& outcome) {
    if (outcome.kind != SyncOutcome::Told) return {};
    auto gbk = [](const std::string& utf8) {
        return vexrun::text::encode(vexrun::text::decode(utf8, vexrun::text::Encoding::Utf8),
                                    vexrun::text::Encoding::Gbk);
    };
    std::vector<std::string> texts{gbk(outcome.message)};
    if (!outcome.fill) return texts;
    const WindowFill& f = *outcome.fill;
    texts.push_back(std::to_string(f.segments));
    texts.push_back(f.ratio);
    texts.insert(texts.end(), std::begin(f.source), std::end(f.source));
    texts.insert(texts.end(), std::begin(f.target), std::end(f.target));
    for (int row = 1; row <= 4; ++row) texts.push_back(f.useRatio[row] ? "1" : "0");
    return texts;
}

SyncOutcome syncOnce(WindowSync& sync, bool (*runUnderBox)(void* host, WindowSync& sync), void* host) {
    // The engine and the aligner run hosted here, on the library's own copy
    // of the program's globals, one sync at a time (the box is modal).
    prog::useHelperTable(vexrun::hostHelperTable());
    // The window speaks Chinese: so do the film reading's and the aligner's
    // texts it shows, whatever the user's locale.
    messages::useLanguage("zh_CN");
    setUpGlobals();
    SyncOutcome outcome;
    if (std::optional<SyncOutcome> first = sync.checkFirst()) {
        outcome = std::move(*first);
    } else {
        outcome = runUnderBox(host, sync) ? sync.outcome() : SyncOutcome{SyncOutcome::Cancelled, {}, std::nullopt};
    }
    releaseGlobals();
    // Zero, as before the first set-up: the next command starts afresh.
    *prog::vars() = prog::ProgramVariables{};
    return outcome;
}

}  // namespace synvox
