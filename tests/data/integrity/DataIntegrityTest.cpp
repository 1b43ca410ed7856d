// The assembled game folder loads through the game's own readers: texts, fonts,
// caps art and animation, every level, the configuration files, every picture
// a built part of the game names, and every sound and music track, with not a
// single fault line in the object log.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "GameFolder.h"
#include "support/CapturedLog.h"
#include "app/GameTextures.h"
#include "audio/MusicPlayer.h"
#include "audio/SoundBank.h"
#include "backgrounds/BackgroundsManager.h"
#include "bonuses/BonusManager.h"
#include "bonuses/BonusParametres.h"
#include "engine/BitmapFont.h"
#include "engine/FontList.h"
#include "engine/IndexBuffer.h"
#include "engine/RenderDevice.h"
#include "engine/SpriteLayer.h"
#include "engine/StringTable.h"
#include "engine/TextTokenizer.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"
#include "engine/VideoSettings.h"
#include "platform/os/Path.h"
#include "platform/sound/Decoder.h"
#include "platform/sound/SdlAudio.h"
#include "playfield/CapsManager.h"
#include "playfield/CapsTextures.h"
#include "playfield/LevelDesc.h"
#include "playfield/QuestFieldLayout.h"

namespace {

namespace fs = std::filesystem;
using integrity::GameFolderTest;
using integrity::GameRoot;

constexpr int kQuestLevels = 41;

// The game object's own pictures (its lists, plus the loading picture).
std::vector<NamedTexture> GamePictures() {
    std::vector<NamedTexture> all(std::begin(kGameTextures), std::end(kGameTextures));
    for (const NamedTexture& t : kDuneTextures)
        if (std::none_of(all.begin(), all.end(),
                         [&](const NamedTexture& a) { return std::string(a.file) == t.file; }))
            all.push_back(t);
    all.push_back({"Loading", "Loading.jpg"});
    return all;
}

bool Opens(const std::string& gamePath) {
    FILE* f = os::Open(gamePath, "rb");
    if (!f)
        return false;
    std::fclose(f);
    return true;
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The game's picture lookup: the file as named, else the same name with
// another picture extension; with an "_alpha." companion the alpha comes
// from it. `found` gets the path that was used.
CSharedPtr<CTexture> LoadGamePicture(CRenderDevice& device, const std::string& folder,
                                     const std::string& file, const std::string& name,
                                     std::string* found) {
    std::string path = folder + file;
    if (!Opens(path)) {
        const std::string base = file.substr(0, file.rfind('.'));
        for (const char* ext : kPictureExtensions) {
            if (Opens(folder + base + ext)) {
                path = folder + base + ext;
                break;
            }
        }
    }
    *found = path;
    if (Opens(CTexture::CompanionPath(path)))
        return device.LoadTextureWithAlpha(path, name, false, 0, gpu::Pool::Managed);
    return device.LoadTexture(path, name, 0, 0, gpu::Pool::Managed, gpu::Fmt::Unknown);
}

// Every string literal of the code that is a picture file name ("Flare.jpg").
std::vector<std::string> PictureLiterals(const std::string& code) {
    std::vector<std::string> out;
    for (size_t open = code.find('"'); open != std::string::npos;) {
        const size_t close = code.find('"', open + 1);
        if (close == std::string::npos)
            break;
        const std::string text = code.substr(open + 1, close - open - 1);
        const size_t dot = text.rfind('.');
        bool name = dot != std::string::npos && dot > 0;
        for (size_t i = 0; name && i < dot; ++i)
            name = std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '_';
        if (name) {
            const std::string ext = text.substr(dot);
            for (const char* e : kPictureExtensions)
                if (ext == e)
                    out.push_back(text);
        }
        open = code.find('"', close + 1);
    }
    return out;
}

// A whole sound file decoded.
struct Decoded {
    bool ok = false;
    int rate = 0;
    int channels = 0;
    int64_t frames = 0;
    int peak = 0;            // largest magnitude, 16-bit scale
    uint64_t hash = 1469598103934665603ull;  // of the samples, to tell files apart

    double Seconds() const { return rate > 0 ? static_cast<double>(frames) / rate : 0.0; }
};

Decoded Decode(const std::string& gamePath) {
    Decoded d;
    std::unique_ptr<snd::Decoder> decoder = snd::Decoder::Open(os::ResolveReadPath(gamePath));
    if (!decoder)
        return d;
    d.rate = decoder->Rate();
    d.channels = decoder->Channels();
    const int bits = decoder->BitsPerSample();
    std::vector<uint8_t> buffer(1 << 16);
    int64_t bytes = 0;
    while (decoder->Active()) {
        const int n = decoder->GetData(buffer.data(), static_cast<uint32_t>(buffer.size()));
        if (n < 0)
            return d;
        for (int i = 0; i < n; ++i)
            d.hash = (d.hash ^ buffer[static_cast<size_t>(i)]) * 1099511628211ull;
        if (bits == 16) {
            for (int i = 0; i + 1 < n; i += 2) {
                const int16_t s = static_cast<int16_t>(buffer[static_cast<size_t>(i)] |
                                                       buffer[static_cast<size_t>(i) + 1] << 8);
                d.peak = std::max(d.peak, std::abs(static_cast<int>(s)));
            }
        } else {
            for (int i = 0; i < n; ++i)
                d.peak = std::max(d.peak, std::abs(buffer[static_cast<size_t>(i)] - 128) * 256);
        }
        bytes += n;
    }
    d.frames = decoder->FrameBytes() > 0 ? bytes / decoder->FrameBytes() : 0;
    d.ok = true;
    return d;
}

// The names of a font list, read the way the game reads them: an empty line
// ends the list.
std::vector<std::string> ListedFonts(const std::string& listPath) {
    std::vector<std::string> names;
    std::ifstream in(os::ResolveReadPath(listPath));
    for (std::string line; std::getline(in, line);) {
        CutNewline(line);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        line = SkipBlanks(StripQuotes(SkipBlanks(line)));
        if (line.empty())
            break;
        names.push_back(line);
    }
    return names;
}

void ExpectGlyphsInsideTheirTexture(const CBitmapFont& font, const std::string& name) {
    int drawn = 0;
    for (int c = 0; c < 256; ++c) {
        const CFontGlyph& g = font.Glyphs[c];
        if (g.Width <= 0.0f)
            continue;
        ++drawn;
        EXPECT_TRUE(g.ULeft >= 0.0f && g.URight <= 1.0f && g.ULeft < g.URight &&
                    g.VTop >= 0.0f && g.VBottom <= 1.0f && g.VTop < g.VBottom)
            << name << " glyph " << c << " lies outside its texture";
    }
    EXPECT_GE(drawn, 95 - 1) << name << " draws fewer characters than printable ASCII";
    EXPECT_GT(font.SpaceAdvance, 0.0f) << name;
}

// ---------------------------------------------------------------------------

TEST_F(GameFolderTest, TextsFontsAndSettingsLoad) {
    EXPECT_TRUE(Opens(Game("appname.txt")));
    EXPECT_NE(ReadText(GameRoot() + "appname.txt").find_first_not_of(" \t\r\n"), std::string::npos)
        << "appname.txt holds no title";

    ASSERT_EQ(LoadStringTable(Game(Paths.TxtPath + "Strings.txt"), Game(Paths.DataPath + "TextID.dat")), 1);
    for (int id : {13, 17, 18, 20, 21, 22, 23, 24, 30})
        EXPECT_NE(GetString(id), "") << "text ID " << id;

    const std::string fonts = Game(Paths.FontsPath);
    CSharedPtr<CTexture> mainTexture = LoadFontTexture(*Device, fonts + "Font.tga", "___Font_Font");
    ASSERT_FALSE(mainTexture.IsNull()) << "Font.tga";
    CSharedPtr<CBitmapFont> main(new CBitmapFont(mainTexture));
    ASSERT_EQ(main->LoadDescription(fonts + "Font.uxd"), 1);
    ExpectGlyphsInsideTheirTexture(*main, "Font");

    const std::vector<std::string> listed = ListedFonts(fonts + "AdditionalFonts.lst");
    EXPECT_FALSE(listed.empty()) << "AdditionalFonts.lst names no font";
    std::vector<CSharedPtr<CBitmapFont>> more;
    EXPECT_EQ(LoadAdditionalFonts(*Device, fonts, fonts + "AdditionalFonts.lst", more),
              static_cast<int>(listed.size()));
    for (size_t i = 0; i < more.size() && i < listed.size(); ++i) {
        EXPECT_FALSE(more[i]->Texture.IsNull()) << listed[i];
        ExpectGlyphsInsideTheirTexture(*more[i], listed[i]);
    }

    // No options file ships; whatever stands there must still give a usable mode.
    CVideoSettings video(Game(Paths.ConfigPath + "Options.ini"));
    video.Load();
    EXPECT_GE(video.Get().width, 0);
    EXPECT_GE(video.Get().height, 0);
}

TEST_F(GameFolderTest, CapsTexturesAndAnimationLoad) {
    CSharedPtr<CCapsManager> caps(new CCapsManager(Device, Vertices, Indices));
    ASSERT_EQ(caps->LoadTextures(Gfx()), 1);
    ASSERT_EQ(caps->LoadCapsAnimation(Game(Paths.DataPath)), 1);
    ASSERT_EQ(caps->GetAnimations().size(), static_cast<size_t>(CCapAnimation::kRecordCount));
    for (size_t r = 0; r < caps->GetAnimations().size(); ++r) {
        const CCapAnimation& a = caps->GetAnimations()[r];
        EXPECT_FALSE(a.Frames.empty()) << "record " << r;
        EXPECT_FALSE(a.Track.empty()) << "record " << r;
        for (const CCapFrame& f : a.Frames)
            EXPECT_TRUE(f.Left >= 0.0f && f.Right <= 1.0f && f.Left < f.Right && f.Top >= 0.0f &&
                        f.Bottom <= 1.0f && f.Top < f.Bottom)
                << "record " << r << " has a frame outside its atlas";
    }
    for (int i = 0; i < caps::kTextureCount; ++i)
        EXPECT_FALSE(caps->GetCapsTexture(i).IsNull()) << caps::kTextureFiles[i];
    EXPECT_FALSE(caps->GetCursorLightTexture().IsNull());
    EXPECT_FALSE(caps->GetChainTexture().IsNull());
    EXPECT_FALSE(caps->GetChainAlphaTexture().IsNull());
    // The memory group is made again from its files when a memory level starts.
    EXPECT_EQ(caps->SetTextureMode(caps::kModeMemory), 1);
    EXPECT_EQ(caps->SetTextureMode(caps::kModeNormal), 1);
}

TEST_F(GameFolderTest, EveryLevelFileReads) {
    std::vector<std::string> files;
    for (int level = 1; level <= kQuestLevels; ++level)
        files.push_back("l" + std::to_string(level) + ".lvl");
    files.push_back("Totem.lvl");
    for (const std::string& file : files) {
        CLevelDesc desc;
        EXPECT_NE(LoadLevelFile(desc, Game(Paths.LevelsPath + file)), 0) << file;
        EXPECT_TRUE(desc.IsUsable()) << file;
    }
}

TEST_F(GameFolderTest, ConfigurationFilesRead) {
    const std::string config = Game(Paths.ConfigPath);
    for (const char* file : {"Skin.cfg", "Gems.cfg", "Bonus.cfg"})
        EXPECT_TRUE(Opens(config + file)) << file << " is missing";

    CQuestFieldLayout layout;
    layout.Load(config + "Skin.cfg");
    // The board frame draws from two pictures: 0 the frame, 1 the tiles.
    ASSERT_FALSE(layout.FrameRects.empty());
    for (size_t i = 0; i < layout.FrameTextures.size(); ++i)
        EXPECT_TRUE(layout.FrameTextures[i] == 0 || layout.FrameTextures[i] == 1)
            << "frame piece " << i << " names picture " << layout.FrameTextures[i];
    for (size_t i = 0; i < layout.FrameUVs.size(); ++i) {
        const CFrameTexCoord& uv = layout.FrameUVs[i];
        EXPECT_TRUE(uv.U >= 0.0f && uv.U <= 1.0f && uv.V >= 0.0f && uv.V <= 1.0f)
            << "frame piece " << i / 4 << " reaches outside its picture";
    }
    EXPECT_EQ(LoadBonusConfigs(config + "Gems.cfg", config + "Bonus.cfg"), 1);
    // Put the built-in blocks back for whatever runs next in this process.
    g_gemsParams = CGemsParametres();
    g_bonusParams = CBonusParametres();
}

// Every picture the built parts name: the game object's own list and its
// splash, loading and stage pictures, the bonus manager's set.
TEST_F(GameFolderTest, EveryPictureTheGameNamesLoads) {
    const std::string gfx = Gfx();
    std::vector<CSharedPtr<CTexture>> keep;
    for (const NamedTexture& p : GamePictures()) {
        std::string path;
        CSharedPtr<CTexture> t = LoadGamePicture(*Device, gfx, p.file, p.name, &path);
        EXPECT_FALSE(t.IsNull()) << p.file << " (" << p.name << ") does not load";
        if (t.IsNull())
            continue;
        EXPECT_GT(t->GetWidth(), 0u);
        if (path != gfx + p.file)
            std::printf("note: %s comes as %s\n", p.file, path.substr(gfx.size()).c_str());
        keep.push_back(t);
    }
    // The window's icon is decoded on its own, not kept as a texture; it must be
    // there and whole all the same.
    EXPECT_FALSE(Device->LoadTexture(Game("Data\\Gfx\\Icon.png"), "Icon.png", 1, 0,
                                     gpu::Pool::Managed, gpu::Fmt::Unknown)
                     .IsNull())
        << "Data\\Gfx\\Icon.png";
    for (int i = 1; i <= 2; ++i) {
        const std::string file = "splash" + std::to_string(i) + ".jpg";
        EXPECT_FALSE(Device->LoadTexture(Game("fsdata\\" + file), file, 1, 0, gpu::Pool::Managed,
                                         gpu::Fmt::Unknown)
                         .IsNull())
            << "fsdata\\" << file;
    }
    CSharedPtr<CSpriteLayer> layer(new CSpriteLayer(Device, Vertices, Indices));
    {
        // Every backdrop, made current in turn, finds all of its pictures.
        testsupport::CapturedLog log;
        CBackgroundsManager backdrops;
        backdrops.AttachDevice(Device, Vertices, Indices);
        backdrops.AttachShared(layer, {}, {}, {}, {}, {}, {}, {}, {}, layer);
        backdrops.LoadParams(Game("Data\\Config\\Background.cfg").c_str());
        backdrops.Init(gfx);
        for (int id = CBackgroundsManager::kMuseum; id <= CBackgroundsManager::kMainMenu; ++id)
            backdrops.SetBackground(id);
        EXPECT_EQ(log.Text().find("Error"), std::string::npos) << log.Text();
    }
    CBonusManager bonuses;
    EXPECT_EQ(bonuses.LoadTextures(*Device, gfx), 1);
}

// The list above misses nothing the game object names by file.
TEST_F(GameFolderTest, ThePictureListFollowsTheGameObject) {
    const fs::path app = fs::path(GV_SOURCE_DIR) / "src" / "app";
    if (!fs::is_directory(app))
        GTEST_SKIP() << "no game object yet";
    // The main font's picture is loaded with the texts and fonts above, the
    // window's icon beside the splash pictures.
    std::set<std::string> listed = {"Font.tga", "Icon.png"};
    for (const NamedTexture& p : GamePictures())
        listed.insert(p.file);
    for (const auto& entry : fs::directory_iterator(app)) {
        if (entry.path().extension() != ".cpp")
            continue;
        for (const std::string& file : PictureLiterals(ReadText(entry.path())))
            EXPECT_TRUE(listed.count(file))
                << entry.path().filename() << " names " << file << ", which this test does not load";
    }
}

// The first start turns the compressed sounds into wave files beside them;
// here that runs on a copy, then the bank loads all 63 slots on the mixer and
// every file decodes to a real, distinct sound.
TEST_F(GameFolderTest, EverySoundConvertsLoadsAndDecodes) {
    const fs::path sfx = fs::path(Scratch.Path("Sfx"));
    std::error_code ec;
    fs::copy(os::ResolveReadPath(Game(Paths.SfxPath)), sfx, fs::copy_options::recursive, ec);
    ASSERT_FALSE(ec) << ec.message();
    const std::string folder = sfx.string() + "/";
    const std::string options = Scratch.Path("Options.ini");

    CSharedPtr<snd::SdlAudio> audio(new snd::SdlAudio);
    {
        CSharedPtr<CSoundBank> bank(new CSoundBank(audio));
        ASSERT_EQ(bank->InitDevice(), 0) << "no audio output (SDL_AUDIODRIVER=dummy?)";
        EXPECT_EQ(bank->ConvertOggList(options.c_str(), folder), 1);
        EXPECT_EQ(bank->LoadVolumeConfig((folder + "Vol.cfg").c_str()), 1);
        ASSERT_EQ(bank->LoadSamples(folder.c_str()), 0) << bank->CurrentPath();
        EXPECT_EQ(bank->Group(ESound::Terminator)->VariantCount(), 8);
        EXPECT_EQ(bank->Group(ESound::Combo)->VariantCount(), 8);
    }

    // Every sound Vol.cfg tunes is one the folder has.
    CTextTokenizer tokens;
    ASSERT_EQ(tokens.Open(folder + "Vol.cfg"), 0);
    for (std::string token; tokens.NextToken(token);) {
        if (token.front() == '"') {
            EXPECT_TRUE(Opens(folder + StripQuotes(token)))
                << "Vol.cfg line " << tokens.LineNumber() << " tunes the missing " << token;
        }
    }

    std::map<uint64_t, std::string> seen;
    int decoded = 0;
    double seconds = 0.0;
    for (const auto& entry : fs::directory_iterator(sfx)) {
        if (entry.path().extension() != ".wav")
            continue;
        const std::string name = entry.path().filename().string();
        const Decoded d = Decode(entry.path().string());
        ++decoded;
        EXPECT_TRUE(d.ok) << name << " does not decode";
        EXPECT_TRUE(d.channels == 1 || d.channels == 2) << name;
        EXPECT_GT(d.frames, 0) << name;
        EXPECT_GT(d.peak, 328) << name << " is silent";
        seconds += d.Seconds();
        const auto [it, fresh] = seen.emplace(d.hash, name);
        EXPECT_TRUE(fresh) << name << " sounds exactly like " << it->second;
    }
    EXPECT_GE(decoded, CSoundBank::kSlotCount - 2 + 8 + 8);
    std::printf("sounds: %d files, %.1f s in all\n", decoded, seconds);
}

TEST_F(GameFolderTest, EveryMusicTrackPlaysAndDecodes) {
    CSharedPtr<snd::SdlAudio> audio(new snd::SdlAudio);
    ASSERT_TRUE(audio->Init(1, 44100, 0)) << "no audio output (SDL_AUDIODRIVER=dummy?)";
    CMusicPlayer music(audio, Game(Paths.MusicPath).c_str());
    std::vector<std::string> tracks;
    for (int n = 1; n <= 3; ++n)
        tracks.push_back(music.TrackPath(kMusicGameplay, n));
    for (int state : {kMusicMainMenu, kMusicStoryline, kMusicBonusLevel})
        tracks.push_back(music.TrackPath(state));
    music.Start(kMusicMainMenu);
    EXPECT_EQ(music.IsPlaying(), 1);
    music.Stop();
    for (const std::string& track : tracks) {
        const std::string name = fs::path(os::MapPath(track)).filename().string();
        const Decoded d = Decode(track);
        EXPECT_TRUE(d.ok) << name << " does not decode";
        // One to three minutes of music, not a jingle and not silence.
        EXPECT_GE(d.Seconds(), 60.0) << name;
        EXPECT_LE(d.Seconds(), 180.0) << name;
        EXPECT_GT(d.peak, 1600) << name << " is (nearly) silent";
        std::printf("music: %s %.1f s, %d Hz, %d channels\n", name.c_str(), d.Seconds(), d.rate,
                    d.channels);
    }
    audio->Free();
}

} // namespace
