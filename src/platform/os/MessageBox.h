#pragma once
// A modal message box for the few fatal messages the game shows before (or
// instead of) its own user interface.
#include <string>

namespace os {

// Shows a dialog with an OK button and waits for it. Without a display (no X11
// or Wayland session, or the offscreen/dummy video driver) or when the dialog
// cannot be shown, writes "title: text" and a newline to stderr instead.
// Returns true when a dialog was shown.
bool ShowMessageBox(const std::string& title, const std::string& text);

} // namespace os
