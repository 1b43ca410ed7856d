#include "engine/ObjectLog.h"

#include <cstdio>

namespace {

std::string& LogPath() {
    static std::string path = "Objects.log";
    return path;
}

} // namespace

void SetObjectLogPath(const std::string& path) {
    LogPath() = path;
}

const std::string& ObjectLogPath() {
    return LogPath();
}

void ResetObjectLog() {
    if (FILE* f = std::fopen(LogPath().c_str(), "w"))
        std::fclose(f);
}

void LogObject(const char* text) {
    FILE* f = std::fopen(LogPath().c_str(), "a");
    if (!f)
        return;
    std::fprintf(f, " %s", text ? text : "");
    std::fclose(f);
}

void LogObject(const std::string& text) {
    LogObject(text.c_str());
}

void LogObjectNumber(int32_t n) {
    FILE* f = std::fopen(LogPath().c_str(), "a");
    if (!f)
        return;
    std::fprintf(f, " %d ", static_cast<int>(n));
    std::fclose(f);
}
