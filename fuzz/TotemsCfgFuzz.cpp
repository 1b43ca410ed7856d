// "Totems.cfg" read from any bytes: every value must load (or fall back to
// its default) and a figure of every tier must build and lay out from the
// sprite sets it gave, without reading outside them.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "engine/ObjectLog.h"
#include "totems/TotemPanel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The warnings of one input are all the log needs to hold.
    ResetObjectLog();
    const std::string path = fuzz::WriteInput("Data/Config/Totems.cfg", data, size);
    CTotemPanel panel;
    panel.LoadConfig(path);
    panel.Tiers[2] = 4;
    panel.Reset();
    panel.PushRequest(2);
    for (int frame = 0; frame < 4; ++frame)
        panel.Update(0.25f);
    panel.SetTier(2, 4, 4.0f);
    panel.Update(0.25f);
    panel.FadeOutAll(2.0f);
    panel.Update(1.0f);
    return 0;
}
