#pragma once
// The program's only log, "Objects.log" in the working directory. Each entry opens
// the file, appends and closes it again, so the file is complete up to the last
// entry even when the program ends abruptly. An entry that cannot be written is
// dropped: logging never fails the caller.
#include <cstdint>
#include <string>

// Truncates the log to an empty file (once, at start-up).
void ResetObjectLog();
// Appends " text"; texts carry their own line breaks.
void LogObject(const char* text);
void LogObject(const std::string& text);
// Appends " n " (decimal).
void LogObjectNumber(int32_t n);

// Where the log is written; "Objects.log" unless changed (tests point it elsewhere).
void SetObjectLogPath(const std::string& path);
const std::string& ObjectLogPath();
