// The per-level records: any bytes give 41 rows with names the file can hold.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "playerdata/LevelBestTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::WriteInput("Data/GameData/Sc.bst", data, size);
    CLevelBestTable table;
    table.Load(path);
    if (table.Rows() != CLevelBestTable::kQuestLevels)
        std::abort();
    for (const std::string& name : table.Names)
        if (name.size() > static_cast<size_t>(CLevelBestTable::kMaxNameBytes))
            std::abort();
    return 0;
}
