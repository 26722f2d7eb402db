// The installed window system, if any.
#include "vexrun/kernel/gui_backend.h"

#include <atomic>

namespace vexrun {
namespace {
std::atomic<GuiBackend*> gBackend{nullptr};
}  // namespace

void setGuiBackend(GuiBackend* backend) { gBackend.store(backend); }
GuiBackend* guiBackend() { return gBackend.load(); }

}  // namespace vexrun
