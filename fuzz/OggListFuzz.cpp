// "Ogg.lst" drives the first-run conversion: whatever names it holds, every
// sound it opens (and so every wave file it writes beside it) lies directly in
// the sound folder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>

#include "FuzzSupport.h"
#include "audio/SoundBank.h"
#include "engine/ObjectLog.h"
#include "platform/sound/FakeAudio.h"

namespace {

const std::string kFolder = "Data/Sfx/";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ResetObjectLog();
    fuzz::WriteInput(kFolder + "Ogg.lst", data, size);
    std::filesystem::remove("Data/Config/Options.ini");

    auto* audio = new snd::FakeAudio();
    CSoundBank bank{CSharedPtr<snd::Audio>(audio)};
    bank.InitDevice();
    bank.ConvertOggList("Data/Config/Options.ini", kFolder);

    for (const snd::FakeAudio::Call& call : audio->CallsOf("StreamCreateFile")) {
        if (call.path.compare(0, kFolder.size(), kFolder) != 0 ||
            call.path.find_first_of("/\\:", kFolder.size()) != std::string::npos)
            std::abort();
    }
    return 0;
}
