// Loading the screens: the texture list, the 26 forms with their bound
// controls, the logos, the story pages, and forms that lack what the screens
// need failing with their message.
#include <filesystem>
#include <functional>
#include <map>

#include "ScreensFixture.h"
#include "engine/SpriteQuad.h"
#include "engine/Texture.h"
#include "ui/UxForm.h"
#include "ui/UxFormsManager.h"

namespace {

namespace fs = std::filesystem;

// The forms folder copied to the scratch folder, one form changed by `edit`.
std::string EditedForms(const testsupport::TempDir& scratch, const std::string& form,
                        const std::function<std::string(std::string)>& edit) {
    const fs::path from = fs::path(GV_GAME_DIR) / "Data" / "Forms";
    for (const auto& f : fs::directory_iterator(from))
        scratch.Write("Forms/" + f.path().filename().string(),
                      testsupport::ReadFile(f.path().string()));
    const std::string path = scratch.Path("Forms/" + form + ".uxf");
    testsupport::WriteFile(path, edit(testsupport::ReadFile(path)));
    return scratch.Path("Forms/");
}

// The text with the last `n` "INTERRUPT <code>" lines given another code.
std::function<std::string(std::string)> Unbind(int code, int n) {
    return [code, n](std::string text) {
        const std::string key = "INTERRUPT " + std::to_string(code) + "\n";
        for (int i = 0; i < n; ++i) {
            const size_t at = text.rfind(key);
            if (at != std::string::npos)
                text.replace(at, key.size(), "INTERRUPT 9999\n");
        }
        return text;
    };
}

// The text with the last control that has "INTERRUPT <code>" there twice
// (the copy without its ID): one control more of that code.
std::string OneMore(int code, std::string text) {
    const size_t at = text.rfind("  INTERRUPT " + std::to_string(code) + "\n");
    const size_t start = text.rfind("ELEMENT ", at);
    const size_t end = text.find("}\n", at) + 2;
    std::string copy = text.substr(start, end - start);
    if (const size_t id = copy.find(" ID "); id < copy.find('\n'))
        copy.erase(id, copy.find(' ', id + 4) - id);
    return text.insert(end, copy);
}

} // namespace

TEST_F(ScreensTest, LoadsEveryFormWithItsControlsTexturesLogosAndStory) {
    ASSERT_EQ(Load(), 1) << Log->Text();
    const CScreensManager& s = *Screens;
    ASSERT_EQ(s.FormsManager->Forms.size(), size_t(CScreensManager::kFormCount));
    // Later forms also lie nearer, so that the depth test never lets a lower
    // form show through one above it.
    for (size_t i = 1; i < s.FormsManager->Forms.size(); ++i) {
        const CUxForm &below = *s.FormsManager->Forms[i - 1], &above = *s.FormsManager->Forms[i];
        EXPECT_GE(below.ZOrder, above.ZOrder);
        if (below.ZOrder > above.ZOrder) {
            EXPECT_GT(below.Offset.Z, above.Offset.Z) << i;
        }
    }
    for (const auto& f : s.FormsManager->Forms)
        EXPECT_EQ(f->Visible, 0);
    EXPECT_EQ(s.QuestForm->ZOrder, -30);
    EXPECT_EQ(s.MsgBoxForm->ZOrder, -550);
    EXPECT_EQ(s.TimerDialQuads.size(), 4u);
    EXPECT_EQ(s.ProfileRows.size(), 6u);
    EXPECT_EQ(s.HighScoreScores.size(), 10u);
    EXPECT_EQ(CScreensManager::WindowText(s.VersionLabel), "Ver.1.08");
    EXPECT_EQ(s.MapStageMarkers[4].size(), 12u);
    EXPECT_EQ(s.MapStageMarkers[0].front()->Visible, 0);
    EXPECT_FALSE(s.TutorialPoints4.empty());
    EXPECT_EQ(s.QuestControl9->Visible, 0);
    // Every row of the binding table finds its controls in the shipped forms
    // (the backdrop form has no windows that blink; the screens would blink
    // any a form file gave it).
    const auto rows = CScreensManager::Bindings();
    for (size_t row = 0; row < rows.size(); ++row)
        if (rows[row].Form != CScreensManager::kBackground)
            EXPECT_GT(s.BoundControls(row), 0)
                << CScreensManager::FormName(rows[row].Form) << " codes " << rows[row].First
                << " to " << rows[row].Last;

    // Textures their owners fill later stay registered without video memory.
    for (const char* name : {"Intro", "Trophies", "MapDiff3"}) {
        ASSERT_FALSE(Device->GetTexture(name).IsNull()) << name;
        EXPECT_FALSE(Device->GetTexture(name)->HasTexture()) << name;
    }
    EXPECT_TRUE(Device->GetTexture("MenuCtrls")->HasTexture());
    EXPECT_EQ(Screens->RecreateIntroTexture(1), 1);
    EXPECT_TRUE(Device->GetTexture("Intro")->HasTexture());
    EXPECT_EQ(Screens->RecreateIntroTexture(0), 1);
    EXPECT_FALSE(Device->GetTexture("Intro")->HasTexture());

    // The game ships no website link, so no logos: the link stays hidden.
    EXPECT_TRUE(s.LogoTextureA.IsNull());
    EXPECT_EQ(s.WebsiteButton->Visible + s.LogoPictureNA->Visible + s.LogoPictureA->Visible, 0);

    ASSERT_EQ(s.StoryPages.size(), 40u);
    EXPECT_FALSE(s.StoryPages[0].empty());
    EXPECT_FALSE(s.StoryPages[39].empty());
}

TEST_F(ScreensTest, TextureListFlagsClampsAndFailures) {
    // Mip levels clamped to 0..2; 'a' asks for an alpha format, "A" does not;
    // a cut-short last entry is ignored; then the forms are missing.
    Paths.FormsPath = Scratch.Folder();
    Scratch.Write("Textures.lst", "\"Menu\\SkinBack.jpg\" Five x 5\n"
                                  "# a comment\n"
                                  "\"Menu\\SkinBack.jpg\" Minus x -3\n"
                                  "\"Menu\\Controls.png\" Alpha alpha 1\n"
                                  "\"Menu\\Controls.png\" Plain A 1\n"
                                  "\"Menu\\SkinBack.jpg\" Cut a\n");
    EXPECT_EQ(Load(), 0);
    EXPECT_EQ(Device->GetTexture("Five")->GetMipLevels(), 2u);
    EXPECT_EQ(Device->GetTexture("Minus")->GetMipLevels(),
              Device
                  ->LoadTexture(Paths.GfxPath + "Menu\\SkinBack.jpg", "Zero", 0, 0,
                                gpu::Pool::Managed, gpu::Fmt::Unknown)
                  ->GetMipLevels());
    const uint32_t alpha = Device->GetTexture("Alpha")->GetFormat();
    EXPECT_TRUE(alpha == gpu::Fmt::A1R5G5B5 || alpha == gpu::Fmt::A4L4 ||
                alpha == gpu::Fmt::A8R3G3B2 || alpha == gpu::Fmt::A4R4G4B4 ||
                alpha == gpu::Fmt::A8L8 || alpha == gpu::Fmt::A8R8G8B8)
        << alpha;
    EXPECT_TRUE(Device->GetTexture("Cut").IsNull());
    EXPECT_NE(Log->Text().find("Error loading Form MainMenu:  Unable to open file"),
              std::string::npos)
        << Log->Text();

    // An empty list loads nothing and goes on; a missing list or picture fails.
    const struct {
        const char* list;
        const char* logged;
    } cases[] = {{nullptr, "Unable to open Textures.lst"},
                 {"\"NoSuch.jpg\" Missing x 0\n", "Unable to load texture Missing"},
                 {"", "Error loading Form MainMenu"}};
    for (const auto& c : cases) {
        fs::remove(Scratch.Path("Textures.lst"));
        if (c.list)
            Scratch.Write("Textures.lst", c.list);
        Log->Clear();
        EXPECT_EQ(Load(), 0);
        EXPECT_NE(Log->Text().find(c.logged), std::string::npos) << Log->Text();
    }
}

TEST_F(ScreensTest, FormsLackingWhatTheScreensUseFailWithTheirMessage) {
    // Each form with rows of the binding table that need controls, the codes
    // of all those rows taken out: the message names every row. Then a form
    // file that does not parse.
    struct Case {
        std::vector<int> codes;
        std::vector<std::string> logged;
    };
    std::map<std::string, Case> cases;
    for (const CScreensManager::Binding& b : CScreensManager::Bindings()) {
        if (b.Needs.Count == 0 && b.Needs.PerCode < 0)
            continue;
        Case& c = cases[CScreensManager::FormName(b.Form)];
        for (int code = b.First; code <= b.Last; ++code)
            c.codes.push_back(code);
        c.logged.push_back(std::string(b.Needs.What) + " (code");
    }
    EXPECT_EQ(cases.size(), 7u);
    for (auto& [form, c] : cases) {
        Paths.FormsPath = EditedForms(Scratch, form, [&c](std::string text) {
            for (int code : c.codes)
                text = Unbind(code, 1000)(text);
            return text;
        });
        Log->Clear();
        EXPECT_EQ(Load(), 0) << form;
        const std::string log = Log->Text();
        EXPECT_NE(log.find("Error loading Form " + form + ": "), std::string::npos) << log;
        for (const std::string& what : c.logged)
            EXPECT_NE(log.find(what), std::string::npos) << what << "\n" << log;
        // The next line names the file for whoever fixes it.
        EXPECT_NE(log.find(form + ".uxf"), std::string::npos) << log;
    }

    // A list the screens fill row by row, with one row more than they fill
    // (a row that would show stale or nothing): told, as too few are.
    int more = 0;
    for (const CScreensManager::Binding& b : CScreensManager::Bindings()) {
        if (!b.Needs.Exactly)
            continue;
        ++more;
        const std::string form = CScreensManager::FormName(b.Form);
        Paths.FormsPath = EditedForms(Scratch, form, [&](std::string t) { return OneMore(b.First, t); });
        Log->Clear();
        EXPECT_EQ(Load(), 0) << form << " " << b.Needs.What;
        const std::string log = Log->Text();
        EXPECT_NE(log.find("Error loading Form " + form + ": "), std::string::npos) << log;
        EXPECT_NE(log.find("exactly " + std::to_string(b.Needs.Count) + " " + b.Needs.What),
                  std::string::npos)
            << log;
    }
    EXPECT_EQ(more, 4); // the players' rows and the high scores' three columns

    Paths.FormsPath =
        EditedForms(Scratch, "Help", [](std::string t) { return t + "ELEMENT BOGUS {\n"; });
    Log->Clear();
    EXPECT_EQ(Load(), 0);
    EXPECT_NE(Log->Text().find("Error loading Form Help: "), std::string::npos) << Log->Text();
    EXPECT_NE(Log->Text().find("Unexpected token \"BOGUS\""), std::string::npos) << Log->Text();
}

TEST_F(ScreensTest, StoryPagesSplitAtHashLines) {
    Screens =
        CSharedPtr<CScreensManager>(new CScreensManager(Device, Vertices, Indices, Texts, Fonts));
    const std::string story = Scratch.Write("Story.txt", "# header\nHello\r\n#\nWorld\n");
    EXPECT_EQ(Screens->LoadStory(story.c_str()), 1);
    ASSERT_EQ(Screens->StoryPages.size(), 40u);
    EXPECT_EQ(Screens->StoryPages[0], "Hello\n");
    EXPECT_EQ(Screens->StoryPages[1], "World\n");
    EXPECT_EQ(Screens->StoryPages[2], "");

    Screens =
        CSharedPtr<CScreensManager>(new CScreensManager(Device, Vertices, Indices, Texts, Fonts));
    EXPECT_EQ(Screens->LoadStory(Scratch.Path("None.txt").c_str()), 0);
    EXPECT_EQ(Screens->StoryPages.size(), 40u);
    EXPECT_NE(Log->Text().find("Warning! Story loading error."), std::string::npos);
}

TEST_F(ScreensTest, TheLinkShowsOnlyWithBothLogos) {
    // Any picture serves as a logo; with one of the two the link and both
    // logos stay hidden, and pointing at the menu without a sound bank is
    // harmless.
    const std::string logo =
        testsupport::ReadFile(std::string(GV_GAME_DIR) + "/Data/Gfx/Menu/Cursor.png");
    const std::string game = std::string(GV_GAME_DIR) + "/";
    for (std::string* p : {&Paths.GfxPath, &Paths.TxtPath, &Paths.FormsPath})
        *p = game + *p;
    testsupport::ScopedCwd inScratch(Scratch.Path());
    for (const char* file : {"fsdata/logo_a.png", "fsdata/logo_na.png"}) {
        Scratch.Write(file, logo);
        ASSERT_EQ(Load(), 1) << Log->Text();
        CScreensManager& s = *Screens;
        const bool both = std::string(file) == "fsdata/logo_na.png";
        EXPECT_EQ(s.LogoTextureA.IsNull(), !both);
        EXPECT_EQ(s.WebsiteButton->Visible, both ? 1 : 0);
        EXPECT_EQ(s.LogoPictureNA->Visible, both ? 1 : 0);
        EXPECT_EQ(s.LogoPictureA->Visible, 0);
        if (both) {
            // Sized as the picture, 16 design pixels from the bottom-right corner.
            const float w = static_cast<float>(s.LogoTextureA->GetWidth());
            const float h = static_cast<float>(s.LogoTextureA->GetHeight());
            EXPECT_NEAR(s.LogoPictureNA->Width, w, 0.01f);
            EXPECT_NEAR(s.LogoPictureNA->Position.X, 496.0f - w / 2.0f, 1.0f);
            EXPECT_NEAR(s.LogoPictureNA->Position.Y, -368.0f + h / 2.0f, 1.0f);
        }
        s.MainMenuForm->SetVisible(1);
        for (float x = -512.0f; x < 512.0f; x += 16.0f)
            s.Update(x, -x * 0.7f, 0.05f);
    }
}
