// "Totems.cfg" read from any bytes: every value must load (or fall back to
// its default), and the figures of every colour must build, lay out from the
// sprite sets it gave and run their powers, without reading outside them.
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
    // Every colour owned at the top tier; each selected and launched in turn.
    panel.Tiers.fill(4);
    panel.Reset();
    for (int32_t colour = 0; colour < CTotemPanel::kColours; ++colour) {
        panel.PushRequest(colour);
        panel.PushRequest(colour);
        for (int frame = 0; frame < 6; ++frame)
            panel.Update(0.25f);
    }
    panel.SetTier(2, 4, 4.0f);
    panel.Update(0.25f);
    panel.FadeOutAll(2.0f);
    panel.Update(1.0f);
    return 0;
}
