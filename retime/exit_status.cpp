// The exit statuses as --help lists them.
#include "retime/exit_status.h"

namespace retime {

std::string exitStatusUsage() {
    std::string text = tr("\nExit status:\n");
    for (const ExitStatusEntry& e : kExitStatuses) {
        text += "  " + std::to_string(static_cast<int>(e.status)) + "  ";
        text += tr(e.meaning.data());
        text += "\n";
    }
    return text;
}

}  // namespace retime
