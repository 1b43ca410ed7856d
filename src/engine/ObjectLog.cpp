#include "engine/ObjectLog.h"

#include "platform/os/Path.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace {

struct LogFile {
    std::string path = "Objects.log";
    FILE* file = nullptr;
    // After a failed open the next entry tries again, so writing resumes once the
    // log can be opened.
    void Close() {
        if (file)
            std::fclose(file);
        file = nullptr;
    }
    FILE* Get() {
        if (!file)
            file = os::Open(path, "a");
        return file;
    }
};

// Never destroyed: objects that outlive main (a global game object, say) log
// their destruction after every function-local static is gone. Each entry is
// flushed, and the exit closes the stream.
LogFile& Log() {
    static LogFile* log = new LogFile;
    return *log;
}

void Write(std::string_view entry) {
    FILE* f = Log().Get();
    if (!f)
        return;
    std::fwrite(entry.data(), 1, entry.size(), f);
    std::fflush(f);
}

// A control byte as \xNN (below 0x20, and 0x7F); line breaks too unless they
// are the entry's own.
void AppendEscaped(std::string& out, std::string_view text, bool keepLineBreaks) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c < 0x20 || c == 0x7F) && !(keepLineBreaks && ch == '\n')) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        } else {
            out += ch;
        }
    }
}

} // namespace

void SetObjectLogPath(const std::string& path) {
    Log().Close();
    Log().path = path;
}

const std::string& ObjectLogPath() {
    return Log().path;
}

void ResetObjectLog() {
    Log().Close();
    Log().file = os::Open(Log().path, "w");
}

void LogObject(const char* text) {
    LogObject(std::string_view(text ? text : ""));
}

void LogObject(const std::string& text) {
    LogObject(std::string_view(text));
}

void LogObject(std::string_view text) {
    // Words pasted from data files may hold any byte: escaped here, no entry
    // can be cut by a NUL or run a stray carriage return into the next.
    std::string entry = " ";
    AppendEscaped(entry, text, true);
    Write(entry);
}

void LogObjectNumber(int32_t n) {
    Write(" " + std::to_string(n) + " ");
}

std::string FileFaultLine(std::string_view file, int line, std::string_view reason) {
    std::string out = " in ";
    out.append(file);
    if (line > 0)
        out.append(", line ").append(std::to_string(line));
    out.append(": ").append(reason).append("\n");
    return out;
}

void LogFileFault(std::string_view file, int line, std::string_view reason) {
    LogObject(FileFaultLine(file, line, reason));
}

std::string QuoteToken(std::string_view token, std::string_view open, std::string_view close) {
    // A quoted string of a file keeps its own quotes: quoting it again would
    // show them doubled.
    const bool quoted = !open.empty() && token.size() >= open.size() + close.size() &&
                        token.substr(0, open.size()) == open &&
                        token.substr(token.size() - close.size()) == close;
    std::string out(quoted ? "" : open);
    AppendEscaped(out, token, false);
    if (!quoted)
        out += close;
    return out;
}
