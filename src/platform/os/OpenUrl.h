#pragma once
// Opening the game's web link in the user's browser.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace os {

// Starts a program with the given argument vector (argv[0] is looked up in
// PATH); returns false when it cannot be started.
using Launcher = std::function<bool(const std::vector<std::string>& argv)>;

// True for an absolute http:// or https:// URL (scheme in any case) with a host
// and no blanks or control characters. Anything else is never handed on.
bool IsWebUrl(std::string_view url);

// Opens the URL with "xdg-open <url>" through `launch` (SpawnDetached when
// empty). False when the URL is refused or the launch fails.
bool OpenUrl(std::string_view url, const Launcher& launch = {});

// Opens the URL named by an internet-shortcut file (an ini file with section
// "InternetShortcut", key "URL"), such as the game's "website.url".
bool OpenUrlFile(std::string_view path, const Launcher& launch = {});

// Runs the program in the background without a shell and without waiting for
// it: a short-lived intermediate child starts it and exits at once and is
// reaped here, so no zombie is left behind. False when argv is empty or the
// program is not found in PATH or the fork fails.
bool SpawnDetached(const std::vector<std::string>& argv);

} // namespace os
