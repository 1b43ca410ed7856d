#include "playerdata/ScoreTable.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/StringTable.h"
#include "platform/os/Path.h"
#include "playerdata/BinaryIo.h"
#include "playerdata/SafeFile.h"

namespace {

constexpr uint32_t kKeyWord = 0x9D9D9D9Du;

// The table as it lies on disk, before the checksum.
void Scramble(uint8_t* data, size_t size) {
    for (size_t i = 0; i < size; ++i)
        data[i] ^= CScoreTable::kKeyByte;
}

uint32_t ByteSum(const uint8_t* data, size_t size) {
    uint32_t sum = 0;
    for (size_t i = 0; i < size; ++i)
        sum += data[i];
    return sum;
}

} // namespace

int32_t IsValidNameChar(unsigned char c) {
    return ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '_' || c == '-' || c == ' ')
               ? 1
               : 0;
}

CScoreTable::CScoreTable() {
    ResetRows(0, kRows - 1);
}

void CScoreTable::ResetRows(int32_t first, int32_t last) {
    const float step = static_cast<float>(kTopScore) / static_cast<float>(kRows);
    for (int32_t i = std::max(first, 0); i <= std::min(last, kRows - 1); ++i) {
        Row& row = Rows[static_cast<size_t>(i)];
        row.Score = static_cast<int32_t>(std::floor(static_cast<float>(kRows - i) * step));
        row.Name.fill(' ');
        const std::string name = GetString(kFirstDefaultNameText + i);
        std::memcpy(row.Name.data(), name.data(),
                    std::min(name.size(), static_cast<size_t>(kNameWidth)));
        row.Id = os::NewGuid();
    }
}

int32_t CScoreTable::Load(const std::string& path) {
    Path = path;
    CByteReader in(os::Open(path, "rb"));
    if (!in.IsOpen()) {
        ResetRows(0, kRows - 1);
        return 0;
    }
    uint8_t data[kFileBytes];
    for (int32_t i = 0; i < kRows; ++i) {
        uint8_t* raw = data + static_cast<size_t>(i) * kRowBytes;
        if (!in.Bytes(raw, kRowBytes)) {
            ResetRows(i, kRows - 1);
            return 0;
        }
        uint8_t plain[kRowBytes];
        std::memcpy(plain, raw, kRowBytes);
        Scramble(plain, kRowBytes);
        int32_t score;
        std::memcpy(&score, plain + kNameWidth, sizeof score);
        if (score < 1 || score > kMaxScore) {
            ResetRows(i, kRows - 1);
            return 0;
        }
        Row& row = Rows[static_cast<size_t>(i)];
        std::memcpy(row.Name.data(), plain, kNameWidth);
        row.Score = score;
        std::memcpy(&row.Id, plain + kNameWidth + sizeof score, sizeof row.Id);
    }
    uint32_t checksum = 0;
    if (!in.Word(checksum) ||
        (checksum ^ kKeyWord) != ByteSum(data, static_cast<size_t>(kRows) * kRowBytes)) {
        ResetRows(0, kRows - 1);
        return 0;
    }
    SortDescending();
    return 1;
}

bool CScoreTable::Save() const {
    if (Path.empty())
        return false;
    CByteWriter out;
    for (const Row& row : Rows) {
        out.Bytes(row.Name.data(), kNameWidth);
        out.Int(row.Score);
        out.Bytes(&row.Id, sizeof row.Id);
    }
    Scramble(out.Data.data(), out.Data.size());
    out.Word(ByteSum(out.Data.data(), out.Data.size()) ^ kKeyWord);
    CSafeFile file(Path);
    return file.Open() != nullptr && file.Write(out.Data.data(), out.Data.size()) && file.Commit();
}

void CScoreTable::SortDescending() {
    for (int32_t end = kRows - 1; end > 0; --end)
        for (int32_t i = 0; i < end; ++i)
            if (Rows[static_cast<size_t>(i)].Score < Rows[static_cast<size_t>(i + 1)].Score)
                std::swap(Rows[static_cast<size_t>(i)], Rows[static_cast<size_t>(i + 1)]);
}

int32_t CScoreTable::FindRank(int32_t value) const {
    int32_t r = kRows;
    while (r > 0 && Rows[static_cast<size_t>(r - 1)].Score < value)
        --r;
    return r;
}

int32_t CScoreTable::Insert(int32_t value, const std::string& name, const os::Guid& id) {
    // A score the file could not hold back would wipe its row and all below.
    value = std::clamp(value, 1, kMaxScore);
    const int32_t r = FindRank(value);
    int32_t e = -1;
    for (int32_t i = kRows - 1; i >= 0; --i)
        if (Rows[static_cast<size_t>(i)].Id == id) {
            e = i;
            break;
        }
    auto at = [&](int32_t i) -> Row& { return Rows[static_cast<size_t>(i)]; };
    if (e < 0) {
        if (r >= kRows)
            return r;
        for (int32_t i = kRows - 1; i > r; --i)
            at(i) = at(i - 1);
        Store(r, value, name, id);
        return r;
    }
    if (e == r || e == r - 1) {
        Store(e, value, name, id);
        return e;
    }
    if (e < r - 1) {
        for (int32_t i = e; i < r - 1; ++i)
            at(i) = at(i + 1);
        Store(r - 1, value, name, id);
        return r - 1;
    }
    for (int32_t i = e; i > r; --i)
        at(i) = at(i - 1);
    Store(r, value, name, id);
    return r;
}

void CScoreTable::Store(int32_t row, int32_t value, const std::string& name, const os::Guid& id) {
    Row& target = Rows[static_cast<size_t>(row)];
    target.Score = value;
    target.Name.fill(' ');
    for (size_t i = 0; i < name.size() && i < static_cast<size_t>(kNameWidth); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c == 0)
            break;
        target.Name[i] = IsValidNameChar(c) ? static_cast<char>(c) : ' ';
    }
    target.Id = id;
}

std::string CScoreTable::GetName(int32_t row) const {
    if (row < 0 || row >= kRows)
        return std::string();
    const Row& r = Rows[static_cast<size_t>(row)];
    return std::string(r.Name.data(), kNameWidth);
}
