#include "engine/ObjectLog.h"

#include <cstdio>

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
            file = std::fopen(path.c_str(), "a");
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

void Write(const char* format, const char* text, int number) {
    FILE* f = Log().Get();
    if (!f)
        return;
    if (text)
        std::fprintf(f, format, text);
    else
        std::fprintf(f, format, number);
    std::fflush(f);
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
    Log().file = std::fopen(Log().path.c_str(), "w");
}

void LogObject(const char* text) {
    Write(" %s", text ? text : "", 0);
}

void LogObject(const std::string& text) {
    LogObject(text.c_str());
}

void LogObjectNumber(int32_t n) {
    Write(" %d ", nullptr, static_cast<int>(n));
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
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out(open);
    for (const char ch : token) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        } else {
            out += ch;
        }
    }
    out += close;
    return out;
}
