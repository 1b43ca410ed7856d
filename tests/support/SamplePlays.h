#pragma once
// What the fake audio back end was asked to play.
#include <string>

#include "platform/sound/FakeAudio.h"

namespace testsupport {

// How often a sample whose file path ends in `file` (e.g. "TNT.wav") was
// started, plain or panned.
inline int SamplePlays(const snd::FakeAudio& audio, const std::string& file) {
    int n = 0;
    for (const snd::FakeAudio::Call& call : audio.calls) {
        if ((call.name != "SamplePlay" && call.name != "SamplePlayEx") || call.args.empty())
            continue;
        const std::string path = audio.SamplePath(static_cast<snd::Handle>(call.args[0]));
        if (path.size() >= file.size() &&
            path.compare(path.size() - file.size(), file.size(), file) == 0)
            ++n;
    }
    return n;
}

} // namespace testsupport
