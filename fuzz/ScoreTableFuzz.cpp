// The high-score table: any bytes give ten rows, each a score the file can hold.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "playerdata/ScoreTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::WriteInput("Data/GameData/Game0.tbl", data, size);
    CScoreTable table;
    table.Load(path);
    for (const auto& row : table.Rows)
        if (row.Score < 1 || row.Score > CScoreTable::kMaxScore)
            std::abort();
    return 0;
}
