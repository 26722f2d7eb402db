#include "vexrun/kernel/core/dropped_files.h"

#include <algorithm>
#include <vector>

#include "vexrun/kernel/core/memory.h"
#include "vexrun/kernel/gui_backend.h"

namespace vexrun {
namespace {

struct Prepared {
    SourceFile file;
    std::string text;
    const void* box = nullptr;
    std::optional<std::string> refusal;  // a file that is no text: what to say when it is read as one
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

std::optional<std::string> prepareDroppedFile(std::string_view path, const void* box, bool keep) {
    std::string refusal;
    bool notText = false;
    std::optional<TextFile> read = readTextFile(path, refusal, kMaxFileBytes, &notText);
    if (!read && !notText) return refusal;
    if (!keep) return std::nullopt;
    std::vector<Prepared>& waiting = prepared();
    if (read) {
        waiting.push_back(Prepared{{std::string(path), read->form}, std::move(read->text), box, std::nullopt});
        return std::nullopt;
    }
    // A file that is no text a library took is never read by the program:
    // one refusal waits per path, the latest.
    waiting.erase(std::remove_if(waiting.begin(), waiting.end(),
                                 [path](const Prepared& w) { return w.refusal && w.file.path == path; }),
                  waiting.end());
    waiting.push_back(Prepared{{std::string(path), TextForm::Bytes}, {}, box, std::move(refusal)});
    return std::nullopt;
}

void* takeDroppedFile(std::string_view path) {
    std::vector<Prepared>& waiting = prepared();
    auto p = std::find_if(waiting.begin(), waiting.end(), [path](const Prepared& w) { return w.file.path == path; });
    if (p == waiting.end()) return nullptr;
    if (p->refusal) {
        // No text after all: refused now as at any other drop, the box kept.
        const std::string refusal = std::move(*p->refusal);
        waiting.erase(p);
        if (GuiBackend* gui = guiBackend()) gui->messageBox(refusal, 0, {});
        return newByteSet(std::string_view());
    }
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
