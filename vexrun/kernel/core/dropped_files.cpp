#include "vexrun/kernel/core/dropped_files.h"

#include <algorithm>
#include <vector>

#include "vexrun/kernel/core/memory.h"

namespace vexrun {
namespace {

struct Prepared {
    SourceFile file;
    std::string text;
    const void* box = nullptr;
};

// Everything here runs on the thread of the message loop. Drops wait in
// order for their handlers (one may be held up behind a handler that shows a
// message box).
std::vector<Prepared>& prepared() {
    static std::vector<Prepared> p;
    return p;
}

struct Source {
    std::optional<SourceFile> file;
    const void* box = nullptr;
};

Source& source() {
    static Source s;
    return s;
}

}  // namespace

std::optional<std::string> prepareDroppedFile(std::string_view path, const void* box) {
    std::string refusal;
    std::optional<TextFile> read = readTextFile(path, refusal);
    if (!read) return refusal;
    prepared().push_back(Prepared{{std::string(path), read->form}, std::move(read->text), box});
    return std::nullopt;
}

void* takeDroppedFile(std::string_view path) {
    std::vector<Prepared>& waiting = prepared();
    auto p = std::find_if(waiting.begin(), waiting.end(), [path](const Prepared& w) { return w.file.path == path; });
    if (p == waiting.end()) return nullptr;
    void* bytes = newByteSet(p->text);
    source() = Source{std::move(p->file), p->box};
    waiting.erase(p);
    return bytes;
}

const std::optional<SourceFile>& droppedSource() { return source().file; }

void boxTextReplaced(const void* box) {
    if (source().box == box) source() = Source{};
}

void forgetDroppedFiles() {
    prepared().clear();
    source() = Source{};
}

}  // namespace vexrun
