#pragma once
// Points the object log at a file of the test's own for the life of the object:
// emptied at the start, read back with Text(), and the previous log path
// restored at the end.
#include <memory>
#include <string>

#include "engine/ObjectLog.h"
#include "support/TempDir.h"

namespace testsupport {

class CapturedLog {
public:
    // "Objects.log" in a temporary folder of its own.
    CapturedLog() : own_(std::make_unique<TempDir>()) { Start(own_->Path("Objects.log")); }
    // "Objects.log" in the folder, as the game names it.
    explicit CapturedLog(const TempDir& dir) { Start(dir.Path("Objects.log")); }
    explicit CapturedLog(const std::string& path) { Start(path); }
    ~CapturedLog() { SetObjectLogPath(previous_); }
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;

    const std::string& Path() const { return path_; }
    std::string Text() const { return ReadFile(path_); }
    // Empties the log again.
    void Clear() const { ResetObjectLog(); }

private:
    void Start(const std::string& path) {
        previous_ = ObjectLogPath();
        path_ = path;
        SetObjectLogPath(path_);
        ResetObjectLog();
    }

    std::unique_ptr<TempDir> own_;
    std::string previous_;
    std::string path_;
};

} // namespace testsupport
