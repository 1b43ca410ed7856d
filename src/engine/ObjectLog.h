#pragma once
// The program's only log, "Objects.log" in the working directory. The file stays
// open and every entry is flushed as it is written, so the file is complete up to
// the last entry even when the program ends abruptly, without paying an open and
// a close per entry. An entry that cannot be written is dropped: logging never
// fails the caller.
#include <cstdint>
#include <string>
#include <string_view>

// Truncates the log to an empty file (once, at start-up).
void ResetObjectLog();
// Appends " text" whole, whatever bytes it holds; texts carry their own line
// breaks, and every other control byte is written as \xNN.
void LogObject(const char* text);
void LogObject(const std::string& text);
void LogObject(std::string_view text);
// Appends " n " (decimal).
void LogObjectNumber(int32_t n);

// Where the log is written; "Objects.log" unless changed (tests point it elsewhere).
void SetObjectLogPath(const std::string& path);
const std::string& ObjectLogPath();

// The line that tells a modder where a data file went wrong, written after the
// reader's own message: " in <file>, line <n>: <reason>\n", without the line part
// when line is 0 or less (files without lines, or faults of the whole file). Every
// reader uses this one form.
std::string FileFaultLine(std::string_view file, int line, std::string_view reason);
// Logs FileFaultLine.
void LogFileFault(std::string_view file, int line, std::string_view reason);
// A token of a data file as a message shows it: between `open` and `close` (empty: bare),
// every control byte (below 0x20, and 0x7F) written as \xNN, line breaks too, so
// that a line break in a file cannot start a false log line. A token that already
// stands between `open` and `close` (a quoted string as the tokenizer keeps it) is
// shown as it is, not quoted twice.
// Every reader quotes the tokens of its messages through this.
std::string QuoteToken(std::string_view token, std::string_view open = "\"",
                       std::string_view close = "\"");
