#pragma once
// The game object's own pictures in the graphics folder, by registry name and
// file. The data-integrity test loads the same lists, so they live here once.
struct NamedTexture {
    const char* name;
    const char* file;
};

inline constexpr NamedTexture kGameTextures[] = {
    {"Flare", "Flare.jpg"},           {"JungleFlash", "JungleFlash.tga"},
    {"SmallSand", "SmallSand.tga"},   {"Cloud", "Cloud.jpg"},
    {"Spark", "Spark.bmp"},           {"Halo1", "Halo1.tga"},
    {"SpellFuzzy", "SpellFuzzy.bmp"}, {"FireCloud", "FireCloud.jpg"},
    {"Lightning", "Lightning.jpg"},   {"StarParticle", "StarParticle.bmp"},
    {"Ring", "Ring.tga"},             {"Twirl", "Twirl.tga"},
    {"PanelGlass", "PanelGlass.tga"}, {"FieldFrame", "FieldFrame.png"},
    {"FieldBack", "FieldBack.jpg"},   {"AccuracyToken", "AccuracyToken.png"},
};

// The sand box's pictures, in the order CDuneEffect::SetTextures takes them.
inline constexpr NamedTexture kDuneTextures[] = {
    {"Sandbox", "Sandbox.jpg"},           {"SmallSand", "SmallSand.tga"},
    {"Cloud", "Cloud.jpg"},               {"SandboxFront", "SandboxFront.png"},
    {"SandboxGlass", "SandboxGlass.tga"}, {"ScoreFrenzyStar", "ScoreFrenzyStar.png"},
};

// Tried in this order when a picture is not found under its own extension.
inline constexpr const char* kPictureExtensions[] = {".png", ".tga", ".jpg", ".bmp"};
