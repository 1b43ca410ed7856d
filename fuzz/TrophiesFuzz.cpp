// The trophy files: any bytes as "Trophies.dat" give nine levels each trophy
// can hold; any text as "Trophies.txt" gives one description per level.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "playerdata/Trophies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CTrophies trophies;
    trophies.Load(fuzz::WriteInput("Players/Fuzz/Trophies.dat", data, size));
    for (int32_t t = 0; t < CTrophies::kCount; ++t) {
        const int32_t level = trophies.Levels[static_cast<size_t>(t)];
        if (level < 0 || level > CTrophies::MaxLevel(t))
            std::abort();
    }
    trophies.LoadDescriptions(fuzz::WriteInput("Data/Txt/Trophies.txt", data, size));
    for (int32_t t = 0; t < CTrophies::kCount; ++t)
        if (trophies.Descriptions[static_cast<size_t>(t)].size() !=
            static_cast<size_t>(CTrophies::MaxLevel(t)))
            std::abort();
    return 0;
}
