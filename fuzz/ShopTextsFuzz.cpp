// The shop's item texts: any bytes either load every text or stop cleanly,
// and every item keeps one text per tier entry in each table.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "screens/UpgradeState.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::WriteInput("Data/Txt/Shop.txt", data, size);
    CUpgradeState u;
    u.LoadTexts(path.c_str());
    for (const auto& table : u.texts)
        for (int32_t i = 0; i < CUpgradeState::kItems; ++i)
            if (table[static_cast<size_t>(i)].size() !=
                static_cast<size_t>(u.tierCount[static_cast<size_t>(i)] + 2))
                std::abort();
    return 0;
}
