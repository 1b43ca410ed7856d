#include "MusicGen.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <future>

#include "GenCommon.h"
#include "SoundGen.h"
#include "SynthVoices.h"
#include "tools/lib/SoundWriter.h"

namespace gen {

namespace {

using namespace synth;

constexpr float kTail = 6.0f;         // seconds rendered past the loop's end
constexpr float kPeakCeiling = 0.85f; // headroom for the lossy coder
constexpr float kMostLimiting = 2.0f; // at most 6 dB of peaks are held down
constexpr float kLoudnessWindow = 3.0f;

// Level of each instrument before its notes' own velocity, and how much of it
// goes to the room.
struct VoiceMix {
    float gain;
    float send;
};

VoiceMix MixOf(Voice v) {
    switch (v) {
    case Voice::Marimba:
        return {0.55f, 0.22f};
    case Voice::PanFlute:
        return {0.32f, 0.3f};
    case Voice::Pluck:
        return {0.5f, 0.22f};
    case Voice::PluckBass:
        return {0.75f, 0.05f};
    case Voice::Pad:
        return {0.22f, 0.4f};
    case Voice::DrumLow:
        return {0.5f, 0.08f};
    case Voice::DrumOpen:
        return {0.3f, 0.12f};
    case Voice::DrumSlap:
        return {0.22f, 0.12f};
    case Voice::DrumRim:
        return {0.16f, 0.1f};
    case Voice::Shaker:
        return {0.2f, 0.1f};
    }
    return {0.0f, 0.0f};
}

Mono RenderEvent(const Event& e, float secondsPerBeat) {
    Note n;
    n.hz = MidiHz(e.midi);
    n.hold = e.length * secondsPerBeat;
    n.vel = e.vel;
    n.seed = e.seed;
    const float tune = std::pow(2.0f, (e.midi - 60.0f) / 12.0f);
    switch (e.voice) {
    case Voice::Marimba:
        return Marimba(n);
    case Voice::PanFlute:
        return PanFlute(n);
    case Voice::Pluck:
        return Pluck(n, 0.6f);
    case Voice::PluckBass:
        return Pluck(n, 0.22f);
    case Voice::Pad:
        return Pad(n);
    case Voice::DrumLow:
        return HandDrum(Drum::Low, tune, e.vel, e.seed);
    case Voice::DrumOpen:
        return HandDrum(Drum::Open, tune, e.vel, e.seed);
    case Voice::DrumSlap:
        return HandDrum(Drum::Slap, tune, e.vel, e.seed);
    case Voice::DrumRim:
        return HandDrum(Drum::Rim, tune, e.vel, e.seed);
    case Voice::Shaker:
        return Shaker(e.vel, 0.07f, e.seed);
    }
    return {};
}

} // namespace

std::vector<float> RenderTrack(const TrackPlan& plan) {
    const Score score = Compose(plan);
    const float secondsPerBeat = 60.0f / score.bpm;
    const size_t loop = static_cast<size_t>(Samples(score.Seconds()));
    const size_t total = loop + static_cast<size_t>(Samples(kTail));
    Mono l(total, 0.0f), r(total, 0.0f), send(total, 0.0f);
    for (const Event& e : score.events) {
        const Mono note = RenderEvent(e, secondsPerBeat);
        const int at = Samples(e.beat * secondsPerBeat);
        const VoiceMix mix = MixOf(e.voice);
        MixPanned(l, r, note, at, mix.gain, e.pan);
        MixInto(send, note, at, mix.gain * mix.send);
    }
    l.resize(total);
    r.resize(total);
    send.resize(total);
    Reverb room(0.62f, 0.45f);
    room.Process(send.data(), l.data(), r.data(), total, 6.0f);

    // Fold the ringing past the end onto the start: the loop plays on into
    // itself exactly as it would into its own repeat.
    std::vector<float> out(loop * 2);
    for (size_t i = 0; i < loop; ++i) {
        out[2 * i] = l[i];
        out[2 * i + 1] = r[i];
    }
    for (size_t i = loop; i < total; ++i) {
        const size_t j = (i - loop) % loop;
        out[2 * j] += l[i];
        out[2 * j + 1] += r[i];
    }
    const float rms = LoudestRms(out, 2, kLoudnessWindow);
    const float peak = Peak(out);
    if (rms > 0.0f && peak > 0.0f) {
        Scale(out, std::min(plan.loudness / rms, kMostLimiting * kPeakCeiling / peak));
        LimitLoop(out, 2, kPeakCeiling, 0.15f);
    }
    return out;
}

int GenerateMusic(const std::filesystem::path& gameRoot) {
    const std::filesystem::path folder = gameRoot / "Music";
    std::string error;
    if (!EnsureFolder(folder, error)) {
        std::fprintf(stderr, "gv_gen: %s\n", error.c_str());
        return 1;
    }
    // The tracks are independent: render and encode them side by side.
    const auto& plans = TrackPlans();
    std::vector<std::future<bool>> jobs;
    for (const TrackPlan& plan : plans) {
        const std::string path = (folder / (plan.name + ".ogg")).string();
        jobs.push_back(std::async(std::launch::async, [&plan, path] {
            return WriteOggBelowFullScale(path, RenderTrack(plan), 2);
        }));
    }
    int result = 0;
    for (size_t i = 0; i < jobs.size(); ++i) {
        if (!jobs[i].get()) {
            std::fprintf(stderr, "gv_gen: cannot write the track %s\n", plans[i].name.c_str());
            result = 1;
        }
    }
    return result;
}

} // namespace gen
