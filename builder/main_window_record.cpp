#include "builder/main_window_record.h"

#include "runtime/vexrun_interface.h"
#include "ui/main_window_layout.h"
#include "ui/window_icon.h"

namespace image {

std::optional<WindowRecord> mainWindowRecord(const HandlerLookup& handlers, std::string& error) {
    WindowExtras extras;
    extras.windowId = vx::kMainWindowId;
    extras.nameText = ui::kWindowNameText;
    extras.icon = ui::windowIconIco();
    return recordFromLayout(ui::mainWindowLayout(), extras, handlers, error);
}

}  // namespace image
