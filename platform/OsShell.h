#pragma once
#include <string>

namespace platform {

// Opens a file or web address with the desktop's opener (xdg-open, or the
// program named by $VELMORA_OPENER), as the shell's "open" verb does. The
// opener runs detached: the caller never waits for it. False when it could
// not be started.
bool OpenWithDesktop(const std::string& target);

// True when a graphical display can be reached (an X11 server, directly or
// through XWayland); otherwise `why` says what is missing.
bool HasDisplay(std::string* why);

} // namespace platform
