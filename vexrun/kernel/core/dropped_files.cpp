#include "vexrun/kernel/core/dropped_files.h"

#include "vexrun/kernel/core/memory.h"

namespace vexrun {
namespace {

struct Prepared {
    SourceFile file;
    std::string text;
    const void* box = nullptr;
};

// Everything here runs on the thread of the message loop.
std::optional<Prepared>& prepared() {
    static std::optional<Prepared> p;
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
    prepared() = Prepared{{std::string(path), read->form}, std::move(read->text), box};
    return std::nullopt;
}

void* takeDroppedFile(std::string_view path) {
    std::optional<Prepared>& p = prepared();
    if (!p || p->file.path != path) return nullptr;
    void* bytes = newByteSet(p->text);
    source() = Source{std::move(p->file), p->box};
    p.reset();
    return bytes;
}

const std::optional<SourceFile>& droppedSource() { return source().file; }

void boxTextReplaced(const void* box) {
    if (source().box == box) source() = Source{};
}

void forgetDroppedFiles() {
    prepared().reset();
    source() = Source{};
}

}  // namespace vexrun
