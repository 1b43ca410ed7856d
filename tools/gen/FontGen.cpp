#include "FontGen.h"

#include <cstdio>

#include "GenCommon.h"
#include "tools/lib/ImageWriter.h"

namespace gen {

namespace {

const char* const kLastResort = "DejaVuSans.ttf";

// Warm near-black for shadows, dark umber for outlines: dark under any tint.
constexpr float kShadow[3] = {0.06f, 0.04f, 0.02f};
constexpr float kOutline[3] = {0.16f, 0.09f, 0.04f};

void SetRgb(float* dst, const float* src) {
    for (int i = 0; i < 3; ++i)
        dst[i] = src[i];
}

void SetRgb(float* dst, float r, float g, float b) {
    dst[0] = r;
    dst[1] = g;
    dst[2] = b;
}

FontRecipe MainFont() {
    // A warm humanist sans: clear at small sizes, friendly in numbers.
    FontRecipe s;
    s.name = "Font";
    s.faceFiles = {"Lato-Semibold.ttf", "Lato-Bold.ttf",       "OpenSans-SemiBold.ttf",
                   "OpenSans-Semibold.ttf", "Cantarell-Bold.otf", "DejaVuSans-Bold.ttf"};
    s.style.atlasWidth = 512;
    s.style.atlasHeight = 512;
    s.style.maxPixelSize = 96;
    s.style.liningFigures = true;
    FontLook& l = s.style.look;
    // Pure white so that any text colour comes out exactly; a soft shadow to
    // the bottom right keeps it readable over bright backdrops.
    l.shadowDx = 1.0f;
    l.shadowDy = 1.5f;
    l.shadowBlur = 1.3f;
    l.shadowOpacity = 0.75f;
    SetRgb(l.shadowRgb, kShadow);
    return s;
}

// The carved, inscriptional display face of titles and captions.
const std::vector<std::string> kDisplayFaces = {
    "RomandeADFStyleStd-DemiBold.otf", "LinLibertine_RZ.otf", "LinLibertine_RB.otf",
    "EBGaramond12-Bold.otf",           "DejaVuSerif-Bold.ttf"};

FontRecipe TitleFont() {
    FontRecipe s;
    s.name = "Title";
    s.faceFiles = kDisplayFaces;
    s.style.atlasWidth = 1024;
    s.style.atlasHeight = 1024;
    s.style.maxPixelSize = 160;
    s.style.liningFigures = true;
    FontLook& l = s.style.look;
    // Ivory letters that take a gold tint well, bevelled like cut stone,
    // with a dark rim and a deep shadow.
    SetRgb(l.fillTop, 1.0f, 0.98f, 0.93f);
    SetRgb(l.fillBottom, 0.84f, 0.78f, 0.68f);
    l.bevelWidth = 2.5f;
    l.bevelStrength = 0.3f;
    l.outlineWidth = 2.0f;
    SetRgb(l.outlineRgb, kOutline);
    l.shadowDx = 2.0f;
    l.shadowDy = 3.0f;
    l.shadowBlur = 2.0f;
    l.shadowOpacity = 0.75f;
    SetRgb(l.shadowRgb, kShadow);
    return s;
}

FontRecipe CaptionFont() {
    // The display face again, drawn for caption sizes, where shrinking the
    // title pictures would blur them.
    FontRecipe s;
    s.name = "Caption";
    s.faceFiles = kDisplayFaces;
    s.style.atlasWidth = 512;
    s.style.atlasHeight = 512;
    s.style.maxPixelSize = 96;
    s.style.liningFigures = true;
    FontLook& l = s.style.look;
    SetRgb(l.fillTop, 1.0f, 1.0f, 0.97f);
    SetRgb(l.fillBottom, 0.9f, 0.86f, 0.78f);
    l.bevelWidth = 1.2f;
    l.bevelStrength = 0.2f;
    l.outlineWidth = 1.2f;
    SetRgb(l.outlineRgb, kOutline);
    l.shadowDx = 1.0f;
    l.shadowDy = 1.5f;
    l.shadowBlur = 1.4f;
    l.shadowOpacity = 0.7f;
    SetRgb(l.shadowRgb, kShadow);
    return s;
}

}  // namespace

std::vector<FontRecipe> GameFonts() { return {MainFont(), TitleFont(), CaptionFont()}; }

std::vector<std::filesystem::path> SystemFontFolders() {
    return {"/usr/share/fonts", "/usr/local/share/fonts"};
}

std::filesystem::path FindFontFile(const std::vector<std::string>& fileNames,
                                   const std::vector<std::filesystem::path>& folders) {
    for (const std::string& name : fileNames) {
        if (name.find('/') != std::string::npos) {
            std::error_code ec;
            if (std::filesystem::is_regular_file(name, ec))
                return name;
            continue;
        }
        std::filesystem::path best;
        for (const std::filesystem::path& folder : folders) {
            std::error_code ec;
            auto it = std::filesystem::recursive_directory_iterator(
                folder, std::filesystem::directory_options::skip_permission_denied, ec);
            for (; !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
                std::error_code fileEc;
                if (it->path().filename() == name && it->is_regular_file(fileEc) &&
                    (best.empty() || it->path() < best))
                    best = it->path();
            }
        }
        if (!best.empty())
            return best;
    }
    return {};
}

bool BuildFont(const FontRecipe& recipe, const std::vector<std::filesystem::path>& folders,
               FontAtlas& atlas, std::filesystem::path& usedFile, std::string& error) {
    std::vector<std::string> chain = recipe.faceFiles;
    chain.push_back(kLastResort);
    std::string reasons;
    for (const std::string& name : chain) {
        const std::filesystem::path file = FindFontFile({name}, folders);
        if (file.empty())
            continue;
        std::string why;
        if (RasteriseFont(file.string(), recipe.style, atlas, why)) {
            usedFile = file;
            return true;
        }
        reasons += " " + file.string() + ": " + why + ";";
    }
    error = "no usable font file for " + recipe.name + (reasons.empty() ? " (none found)" : reasons);
    return false;
}

bool WriteFont(const std::filesystem::path& fontsFolder, const std::string& name,
               const FontAtlas& atlas, std::string& error) {
    tk::PixelView view;
    view.data = atlas.rgba.data();
    view.width = atlas.width;
    view.height = atlas.height;
    view.channels = 4;
    const std::filesystem::path tga = fontsFolder / (name + ".tga");
    if (!tk::WriteTga(tga.string(), view)) {
        error = "cannot write " + tga.string();
        return false;
    }
    return WriteBytes(fontsFolder / (name + ".uxd"), EncodeFontDescription(atlas.description),
                      error);
}

int GenerateFonts(const std::filesystem::path& gameRoot) {
    const std::filesystem::path folder = gameRoot / "Data" / "Fonts";
    std::string error;
    if (!EnsureFolder(folder, error)) {
        std::fprintf(stderr, "gv_gen: fonts: %s\n", error.c_str());
        return 1;
    }
    const std::vector<std::filesystem::path> folders = SystemFontFolders();
    std::string list;
    bool first = true;
    for (const FontRecipe& recipe : GameFonts()) {
        FontAtlas atlas;
        std::filesystem::path used;
        if (!BuildFont(recipe, folders, atlas, used, error) ||
            !WriteFont(folder, recipe.name, atlas, error)) {
            std::fprintf(stderr, "gv_gen: fonts: %s\n", error.c_str());
            return 1;
        }
        std::printf("gv_gen: %s from %s: %d px, character height %d, %d pictures, %d missing\n",
                    recipe.name.c_str(), used.filename().c_str(), atlas.pixelSize,
                    atlas.lineHeight, atlas.pictures, atlas.missing);
        if (!first)
            list += recipe.name + "\n";
        first = false;
    }
    if (!WriteText(folder / "AdditionalFonts.lst", list, error)) {
        std::fprintf(stderr, "gv_gen: fonts: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace gen
