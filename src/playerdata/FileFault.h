#pragma once
// How the player-data readers report a file they refuse: the message, the path
// and a line break as three log entries, then a line that names the file, the
// byte at which reading stopped and why.
#include <cstddef>
#include <string>

void LogFileFault(const char* message, const std::string& path, size_t offset,
                  const std::string& reason);
// The last of those lines alone, for readers whose message names no file.
void LogFileFaultDetail(const std::string& path, size_t offset, const std::string& reason);
