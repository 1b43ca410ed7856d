#pragma once
// The game's music: each track of the composer's plans rendered to a stereo
// loop and written as <game>/Music/<name>.ogg. Notes and room that ring past
// the loop's end are folded onto its start, so the loop joins without a seam.
#include <filesystem>
#include <vector>

#include "MusicCompose.h"

namespace gen {

// The track as interleaved stereo samples, exactly one loop long, normalised.
std::vector<float> RenderTrack(const synth::TrackPlan& plan);

// Writes every track into <gameRoot>/Music. 0 on success; on failure prints why
// to stderr and returns 1.
int GenerateMusic(const std::filesystem::path& gameRoot);

} // namespace gen
