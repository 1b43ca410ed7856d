#include "playerdata/FileFault.h"

#include "engine/ObjectLog.h"

void LogFileFault(const char* message, const std::string& path, size_t offset,
                  const std::string& reason) {
    LogObject(message);
    LogObject(path);
    LogObject("\n");
    LogFileFaultDetail(path, offset, reason);
}

void LogFileFaultDetail(const std::string& path, size_t offset, const std::string& reason) {
    LogObject(path + ", byte " + std::to_string(offset) + ": " + reason + "\n");
}
