#include "playerdata/LevelBestTable.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/StringTable.h"
#include "platform/os/Path.h"
#include "playerdata/BinaryIo.h"
#include "playerdata/FileFault.h"
#include "playerdata/SafeFile.h"

namespace {

constexpr int32_t kFallbackLow = 10000;
constexpr int32_t kFallbackHigh = 410000;
constexpr int32_t kDefaultScoreLow = 20000;
constexpr int32_t kDefaultScoreHigh = 420000;
constexpr int32_t kFirstSteppedRow = 8;
constexpr int32_t kSteppedBase = 50000;
constexpr int32_t kSteppedStep = 5000;

} // namespace

CLevelBestTable::CLevelBestTable(int32_t rows) {
    rows = std::max(rows, 0);
    std::string name = GetString(kDefaultNameText);
    if (name.size() > kMaxDefaultName)
        name.resize(kMaxDefaultName);
    Names.assign(static_cast<size_t>(rows), name);
    Values.assign(static_cast<size_t>(rows), 0);
}

void CLevelBestTable::FillEvenly(int32_t low, int32_t high) {
    const int32_t rows = Rows();
    if (rows < 1)
        return;
    const float step =
        rows > 1 ? static_cast<float>(high - low) / static_cast<float>(rows - 1) : 0.0f;
    float v = static_cast<float>(low);
    for (int32_t& value : Values) {
        value = static_cast<int32_t>(std::floor(v));
        v += step;
    }
}

void CLevelBestTable::SetDefaultScores() {
    FillEvenly(kDefaultScoreLow, kDefaultScoreHigh);
    for (int32_t i = kFirstSteppedRow; i < Rows(); ++i)
        Values[static_cast<size_t>(i)] = kSteppedBase + kSteppedStep * (i - kFirstSteppedRow);
}

int32_t CLevelBestTable::Load(const std::string& path) {
    CByteReader in(os::Open(path, "rb"));
    if (!in.IsOpen()) {
        FillEvenly(kFallbackLow, kFallbackHigh);
        return 0;
    }
    for (size_t i = 0; i < Values.size(); ++i) {
        int32_t length = 0;
        std::string reason;
        char name[kMaxNameBytes];
        int32_t value = 0;
        if (!in.Int(length))
            reason = "the file ends before a name length";
        // A negative length is as damaged as a long one: it must never size
        // a read.
        else if (length < 0 || length > kMaxNameBytes)
            reason = "name length " + std::to_string(length);
        else if (!in.Bytes(name, static_cast<size_t>(length)))
            reason = "the file ends inside a name";
        else if (!in.Int(value))
            reason = "the file ends before a value";
        if (!reason.empty()) {
            LogFileFault("Error loading", path, in.Offset(), reason);
            FillEvenly(kFallbackLow, kFallbackHigh);
            return 0;
        }
        // The name is the text up to its first zero byte.
        Names[i] = std::string(name, static_cast<size_t>(length)).c_str();
        Values[i] = value;
    }
    return 1;
}

int32_t CLevelBestTable::Save(const std::string& path) const {
    CByteWriter out;
    for (size_t i = 0; i < Values.size(); ++i) {
        const std::string& name = Names[i];
        const size_t length = std::min(name.size(), static_cast<size_t>(kMaxNameBytes));
        out.Int(static_cast<int32_t>(length));
        out.Bytes(name.data(), length);
        out.Int(Values[i]);
    }
    CSafeFile file(path);
    return file.Open() != nullptr && file.Write(out.Data.data(), out.Data.size()) && file.Commit()
               ? 1
               : 0;
}

int32_t CLevelBestTable::IsHigher(int32_t value, int32_t level) const {
    return HasLevel(level) && value > Values[static_cast<size_t>(level - 1)] ? 1 : 0;
}

int32_t CLevelBestTable::IsLower(int32_t value, int32_t level) const {
    return HasLevel(level) && value < Values[static_cast<size_t>(level - 1)] ? 1 : 0;
}

void CLevelBestTable::SetRecord(int32_t value, int32_t level, const std::string& name) {
    if (!HasLevel(level))
        return;
    Values[static_cast<size_t>(level - 1)] = value;
    Names[static_cast<size_t>(level - 1)] = name.substr(0, kMaxNameBytes);
}

std::string FormatRecordTime(int32_t seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d", seconds / 60, seconds % 60);
    return text;
}
