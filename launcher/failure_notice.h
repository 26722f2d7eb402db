// Telling the user that the kernel library is missing or invalid.
#pragma once

namespace launcher {

// True when a dialog can be seen: an X11 or Wayland display is named and Qt
// is not told to draw off screen.
bool displayAvailable();

// Writes "Error: <message>" to standard error and, when a display is
// available, shows the message in a dialog and waits until it is closed.
// The dialog is drawn by a small helper program beside the executable, so
// that the launcher itself links no window system.
void reportFailure();

}  // namespace launcher
