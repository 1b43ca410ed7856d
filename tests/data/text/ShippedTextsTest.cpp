// The texts the game ships: Data/TextID.dat and Data/Txt/Strings.txt, loaded the
// way the game loads them, checked against what the code and the forms ask for.
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "engine/BitmapFont.h"
#include "engine/SharedPtr.h"
#include "engine/StringTable.h"
#include "engine/TextTokenizer.h"
#include "engine/Texture.h"
#include "support/CapturedLog.h"

namespace fs = std::filesystem;

namespace {

const std::string kSourceDir = GV_SOURCE_DIR;
const std::string kStringFile = kSourceDir + "/data/Data/Txt/Strings.txt";
const std::string kDefineFile = kSourceDir + "/data/Data/TextID.dat";

// The two files read token by token on their own, so that the checks can walk
// every name: the loader keeps only the texts, not the lists.
struct ShippedTexts {
    std::vector<std::pair<std::string, int>> defines;
    std::vector<std::string> idNames;   // first section of Strings.txt
    std::vector<std::string> formNames; // after UXF
    std::vector<std::string> formTexts; // their texts, unescaped as the game shows them
};

ShippedTexts ReadShippedTexts() {
    ShippedTexts out;
    CTextTokenizer tokens;
    std::string token;
    if (tokens.Open(kDefineFile) == 0) {
        while (tokens.NextToken(token)) {
            std::string name, number;
            if (token != "define" || !tokens.NextToken(name) || !tokens.NextToken(number))
                break;
            out.defines.emplace_back(StripQuotes(name), std::atoi(number.c_str()));
        }
    }
    if (tokens.Open(kStringFile) == 0 && tokens.NextToken(token)) {
        bool forms = false;
        std::string name, text;
        while (tokens.NextToken(name)) {
            if (!forms && name == "UXF") {
                forms = true;
                continue;
            }
            if (!tokens.NextToken(text))
                break;
            (forms ? out.formNames : out.idNames).push_back(StripQuotes(name));
            if (forms)
                out.formTexts.push_back(UnescapeText(StripQuotes(text)));
        }
    }
    return out;
}

// A name token of the tokenizer: a letter or '_', then letters, digits and '_'.
bool IsWord(const std::string& text) {
    if (text.empty() || !(std::isalpha(static_cast<unsigned char>(text[0])) || text[0] == '_'))
        return false;
    for (char c : text)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_'))
            return false;
    return true;
}

// The first argument of every call of `function` in `code` that is written as a
// literal: digits for GetString (a number followed by ',' or ')'), the text
// between the quotes for FindStringDefine. Calls with other arguments are skipped.
std::vector<std::string> LiteralArguments(const std::string& code, const std::string& function) {
    std::vector<std::string> out;
    for (size_t at = code.find(function); at != std::string::npos;
         at = code.find(function, at + 1)) {
        size_t i = at + function.size();
        auto blanks = [&] {
            while (i < code.size() && std::isspace(static_cast<unsigned char>(code[i])))
                ++i;
        };
        blanks();
        if (i >= code.size() || code[i++] != '(')
            continue;
        blanks();
        if (i < code.size() && code[i] == '"') {
            const size_t close = code.find('"', i + 1);
            if (close != std::string::npos)
                out.push_back(code.substr(i + 1, close - i - 1));
            continue;
        }
        const size_t digits = i;
        while (i < code.size() && std::isdigit(static_cast<unsigned char>(code[i])))
            ++i;
        const std::string number = code.substr(digits, i - digits);
        blanks();
        if (!number.empty() && i < code.size() && (code[i] == ',' || code[i] == ')'))
            out.push_back(number);
    }
    return out;
}

// The printf conversions of a text, in order: "Level %d-%d" gives "dd".
std::string Conversions(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '%')
            out.push_back(++i < text.size() ? text[i] : '?');
    return out;
}

class ShippedTextsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        {
            const testsupport::CapturedLog log;
            loadResult_ = LoadStringTable(kStringFile, kDefineFile);
            log_ = log.Text();
        }
        files_ = ReadShippedTexts();
    }

    static int loadResult_;
    static std::string log_;
    static ShippedTexts files_;
};

int ShippedTextsTest::loadResult_ = 0;
std::string ShippedTextsTest::log_;
ShippedTexts ShippedTextsTest::files_;

TEST_F(ShippedTextsTest, BothFilesLoadWithoutALogLine) {
    EXPECT_EQ(loadResult_, 1);
    EXPECT_EQ(log_, "") << "the loader complained";
    EXPECT_GT(files_.defines.size(), 100u);
    EXPECT_EQ(files_.idNames.size(), files_.defines.size()) << "every define has one text";
}

TEST_F(ShippedTextsTest, EveryNameAndNumberIsDefinedOnceAndHasAText) {
    std::set<std::string> names;
    std::map<int, std::string> numbers;
    for (const auto& [name, id] : files_.defines) {
        EXPECT_TRUE(names.insert(name).second) << name << " is defined twice";
        const auto [at, fresh] = numbers.emplace(id, name);
        EXPECT_TRUE(fresh) << name << " and " << at->second << " share the number " << id;
        EXPECT_GT(id, 0) << name;
        EXPECT_NE(GetString(id), "") << name << " (" << id << ") has no text";
    }
    std::set<std::string> texts;
    for (const std::string& name : files_.idNames) {
        EXPECT_TRUE(names.count(name)) << name << " has a text but no number";
        EXPECT_TRUE(texts.insert(name).second) << name << " has two texts";
    }
    std::set<std::string> forms;
    for (const std::string& name : files_.formNames)
        EXPECT_TRUE(forms.insert(name).second) << "form text " << name << " is given twice";
}

// Every number the game's code asks for, with what it is for.
struct UsedId {
    int id;
    const char* use;
};
const UsedId kUsedIds[] = {
    {8, "level caption"},           {9, "level caption, frozen counters"},
    {10, "time is up"},             {11, "seconds label of the shop"},
    {12, "shuffling"},              {13, "no moves"},
    {14, "shop help line"},         {15, "bonus level caption"},
    {16, "round caption"},          {17, "accuracy challenge failed"},
    {18, "accuracy challenge start"}, {20, "attention: choose"},
    {21, "attention: right"},       {22, "default player name"},
    {23, "miss"},                   {24, "reaction: catch"},
    {25, "welcome prefix"},         {26, "new-player row"},
    {27, "name hint"},              {28, "name in use"},
    {29, "name empty"},             {30, "reaction penalty"},
    {31, "delete player question"}, {32, "Normal"},
    {33, "Hard"},                   {34, "new quest question"},
    {35, "good combo"},             {36, "excellent combo"},
    {37, "impressive combo"},       {38, "incredible combo"},
    {39, "level complete"},         {44, "life lost title"},
    {45, "life lost"},              {46, "game over title"},
    {47, "game over"},              {48, "high score title"},
    {49, "high score"},             {59, "shop: stars left"},
    {60, "shop: no stars"},         {62, "shop: stars in the bank"},
    {63, "veteran: try Hard?"},     {81, "best record holder"},
};

TEST_F(ShippedTextsTest, EveryIdTheGameNamesHasAText) {
    for (const UsedId& used : kUsedIds)
        EXPECT_NE(GetString(used.id), "") << used.id << " (" << used.use << ")";
    for (int row = 0; row < 10; ++row)
        EXPECT_NE(GetString(82 + row), "") << "default high-score name of row " << row;
    for (int stage = 1; stage <= 5; ++stage)
        EXPECT_NE(GetString(91 + stage), "") << "name of stage " << stage;
    // Bonus kinds 1-4 (Memory, Accuracy, Attention, Reaction): 70 + kind is the
    // challenge's name, 75 + kind its instruction; 70 and 75 are won and lost.
    const char* kChallenges[] = {"Memory", "Accuracy", "Attention", "Reaction"};
    for (int kind = 1; kind <= 4; ++kind) {
        EXPECT_EQ(GetString(70 + kind), std::string(kChallenges[kind - 1]) + " challenge");
        EXPECT_NE(GetString(75 + kind), "") << "instruction of bonus kind " << kind;
    }
    EXPECT_NE(GetString(70), "");
    EXPECT_NE(GetString(75), "");
}

TEST_F(ShippedTextsTest, EveryTutorialStepHasATextAndEveryTipATitle) {
    // Tip t at step s reads 100 + 10 t + s / 2; its title is 100 + 10 t + 9.
    const std::map<int, std::vector<int>> kSteps = {
        {1, {0, 4}}, {2, {0}}, {3, {0}},  {4, {0}},        {5, {0}},
        {6, {0, 4}}, {7, {0, 2, 6, 10}}, {8, {0}}, {9, {0}}, {10, {0}},
    };
    for (const auto& [tip, steps] : kSteps) {
        EXPECT_NE(GetString(100 + 10 * tip + 9), "") << "title of tip " << tip;
        for (int step : steps)
            EXPECT_NE(GetString(100 + 10 * tip + step / 2), "") << "tip " << tip << " step " << step;
    }
}

TEST_F(ShippedTextsTest, TextsTheGameQuotesAreKeptWordForWord) {
    const std::pair<int, const char*> kExact[] = {
        {8, "Level %d-%d"},
        {9, "Level %d"},
        {10, "TIME IS UP!"},
        {11, "%d sec"},
        {12, "SHUFFLING..."},
        {13, "NO MOVES!"},
        {15, "Bonus Level %d"},
        {16, "Round %d/%d"},
        {18, "CLICK THEM ALL!!!"},
        {20, "Where?"},
        {21, "RIGHT!"},
        {22, "Player"},
        {23, "MISS"},
        {24, "CATCH!"},
        {27, "Enter from 1 to 12 Chars"},
        {28, "That Name is Already In Use"},
        {29, "Name Cannot Be Empty"},
        {31, "Delete %s?\nWarning: All Player Data Will Be Lost If Player Is Deleted."},
        {32, "Normal"},
        {33, "Hard"},
        {35, "GOOD\nCOMBO"},
        {36, "EXCELLENT\nCOMBO"},
        {37, "IMPRESSIVE\nCOMBO"},
        {38, "INCREDIBLE\nCOMBO"},
        {59, "You still have some Golden Stars to spend. Are you sure you're done purchasing "
             "upgrades?"},
        {60, "You don't have any Golden Stars left. You can sell unwanted upgrades to obtain a "
             "Golden Star."},
        {63, "You're a skilled player! Do you want to try the Hard difficulty mode?"},
        {81, "expert"},
        // A text cannot hold a double quote, so the signs stand in single quotes.
        {14, "Click '+' to upgrade an item. Click '-' to downgrade an item. Or just drag and "
             "drop Golden Stars to and from items."},
    };
    for (const auto& [id, text] : kExact)
        EXPECT_EQ(GetString(id), text) << "text " << id;
}

TEST_F(ShippedTextsTest, OnlyFormattedTextsCarryPlaceholdersAndTheRightOnes) {
    // What the game prints into each text; every other text is shown as it is.
    const std::map<int, std::string> kFormats = {
        {8, "dd"}, {9, "d"},  {11, "d"}, {15, "d"},   {16, "dd"},
        {31, "s"}, {42, "d"}, {61, "d"}, {62, "d"}, {240, "ds"},
    };
    for (const auto& [name, id] : files_.defines) {
        const auto format = kFormats.find(id);
        EXPECT_EQ(Conversions(GetString(id)), format == kFormats.end() ? "" : format->second)
            << name << " (" << id << ")";
    }
}

TEST_F(ShippedTextsTest, TextsFitTheBuffersAndFieldsTheyGoInto) {
    const std::pair<int, size_t> kBuffers[] = {
        {8, 127}, {9, 127}, {11, 79}, {15, 255}, {16, 255}, {26, 510},
        {81, 38}, {22, 12},
    };
    for (const auto& [id, limit] : kBuffers)
        EXPECT_LE(GetString(id).size(), limit) << "text " << id;
    // High-score names are cut to 12 characters: none should need cutting.
    for (int id = 82; id <= 91; ++id)
        EXPECT_LE(GetString(id).size(), 12u) << "text " << id;
    // The default player name becomes a profile folder: only name characters.
    const std::string player = GetString(22);
    for (char c : player)
        EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == ' ')
            << "'" << c << "' in the default player name";
    // Popups and captions stay on one or two lines.
    for (int id : {10, 12, 13, 17, 18, 20, 21, 23, 24, 30, 35, 36, 37, 38, 39, 40, 41, 70, 75})
        EXPECT_LE(GetString(id).size(), 24u) << "popup " << id;
}

// Names the form files write after TEXT, by form.
const char* const kFormTextNames[] = {
    "MainMenuPlay", "MainMenuOptions", "MainMenuTrophies", "MainMenuHelp", "MainMenuHighScores",
    "MainMenuPlayers", "MainMenuQuit", "MainMenuWebsite",
    "QuestMenu", "QuestScore", "QuestLives", "QuestTime", "QuestGems", "QuestPanelTitle",
    "QuestPanelText",
    "StatsTitle", "StatsLevelScore", "StatsTimeBonus", "StatsQuestScore", "StatsLevelTime",
    "StatsBestScore", "StatsBestTime", "StatsHolder", "StatsChain", "StatsRows", "StatsTokens",
    "StatsFrenzies", "StatsNewRecord", "StatsContinue",
    "ShopTitle", "ShopDone", "ShopBuy", "ShopSell", "ShopTotems", "ShopBonuses",
    "ShopGear", "ShopTotemGreen", "ShopTotemYellow", "ShopTotemRed", "ShopTotemBlue",
    "ShopTotemOrange", "ShopTotemWhite", "ShopTotemViolet", "ShopLevelTime", "ShopFrenzyTime",
    "ShopGemCount", "ShopBonusTnt", "ShopBonusFlash", "ShopBonusTime", "ShopBonusAdviser",
    "ShopBonusScore", "ShopBonusSolidarity",
    "MapTitle", "MapPlay", "MapMenu", "MapStage1", "MapStage2", "MapStage3", "MapStage4",
    "MapStage5",
    "NewLevelGetReady",
    "GameMenuTitle", "GameMenuResume", "GameMenuSaveQuit",
    "MemoryTitle", "MemoryHow", "ArcadeTitle", "ArcadeHow", "ThimblesTitle", "ThimblesHow",
    "BlinkerTitle", "BlinkerHow1", "BlinkerHow2", "BlinkerHow3",
    "SplashLoading", "SplashClick",
    "ProfilesTitle", "ProfilesOk", "ProfilesCancel", "ProfilesDelete",
    "NewProfileTitle", "NewProfilePrompt", "NewProfileOk", "NewProfileCancel",
    "MsgBoxOk", "MsgBoxCancel", "MsgBoxYes", "MsgBoxNo",
    "StartQuestTitle", "StartQuestSaved", "StartQuestContinue", "StartQuestNew",
    "StartQuestBack", "StartQuestNormalHint", "StartQuestHardHint",
    "TutorialClickHere", "TutorialSwapThese", "TutorialOk", "TutorialNoTips",
    "WinTitle", "WinDate", "WinText", "WinText2", "WinContinue",
    "OptionsTitle", "OptionsSound", "OptionsMusic", "OptionsFullScreen", "OptionsCursor",
    "OptionsTips", "OptionsOk", "OptionsCancel",
    "HighScoresTitle", "HighScoresBack",
    "NewspaperContinue", "NewspaperMasthead", "NewspaperHeadline1", "NewspaperHeadline2",
    "NewspaperHeadline3", "NewspaperHeadline4", "NewspaperDate1", "NewspaperDate2",
    "NewspaperDate3", "NewspaperDate4", "NewspaperStory1a", "NewspaperStory1b",
    "NewspaperStory2a", "NewspaperStory2b", "NewspaperStory3a", "NewspaperStory3b",
    "NewspaperStory4a", "NewspaperStory4b", "IntroContinue", "IntroSkip",
    "TrophiesTitle", "TrophiesHint", "TrophiesClose", "Trophy0", "Trophy1", "Trophy2",
    "Trophy3", "Trophy4", "Trophy5", "Trophy6", "Trophy7", "Trophy8",
    "HelpTitle", "HelpPrevious", "HelpNext", "HelpClose", "HelpPage1Title", "HelpPage1Text",
    "HelpPage2Title", "HelpPage2Text", "HelpPage3Title", "HelpPage3Text",
    "WinBoxText",
};

TEST_F(ShippedTextsTest, TheFormTextSectionHasEveryNameTheFormsUse) {
    for (const char* name : kFormTextNames)
        EXPECT_NE(FindStringDefine(name), "") << name;
    // The challenge forms name the challenges as the level flow does.
    EXPECT_EQ(FindStringDefine("MemoryTitle"), GetString(71));
    EXPECT_EQ(FindStringDefine("ArcadeTitle"), GetString(72));
    EXPECT_EQ(FindStringDefine("ThimblesTitle"), GetString(73));
    EXPECT_EQ(FindStringDefine("BlinkerTitle"), GetString(74));
    // A form text must be a word: the form reader takes any other token literally.
    for (const std::string& name : files_.formNames)
        EXPECT_TRUE(IsWord(name)) << "form text name " << name;
}

// Every byte a text may hold: printable ASCII and the line break.
bool IsPlainByte(unsigned char c) { return c == '\n' || (c >= 32 && c < 127); }

std::vector<std::pair<std::string, std::string>> AllTexts(const ShippedTexts& files) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& [name, id] : files.defines)
        out.emplace_back(name, GetString(id));
    for (size_t i = 0; i < files.formNames.size(); ++i)
        out.emplace_back(files.formNames[i], files.formTexts[i]);
    return out;
}

TEST_F(ShippedTextsTest, EveryCharacterHasAGlyph) {
    const auto texts = AllTexts(files_);
    for (const auto& [name, text] : texts) {
        for (unsigned char c : text)
            EXPECT_TRUE(IsPlainByte(c)) << name << " holds byte " << int(c);
        EXPECT_EQ(text.find("  "), std::string::npos) << name << " has a double blank";
        EXPECT_TRUE(text.empty() || (text.front() != ' ' && text.back() != '\n'))
            << name << " starts with a blank or ends with a line break";
    }
    // With the generated fonts at hand, ask them too: every font the forms may pick.
    const fs::path fonts = fs::path(GV_GAME_DIR) / "Data" / "Fonts";
    std::vector<std::string> names = {"Font"};
    std::ifstream list(fonts / "AdditionalFonts.lst");
    for (std::string line; std::getline(list, line);) {
        line = SkipBlanks(StripQuotes(SkipBlanks(line.substr(0, line.find_last_not_of("\r") + 1))));
        if (line.empty())
            break;
        names.push_back(line);
    }
    for (const std::string& font : names) {
        const fs::path file = fonts / (font + ".uxd");
        if (!fs::exists(file))
            continue;
        CBitmapFont description{CSharedPtr<CTexture>()};
        ASSERT_EQ(description.LoadDescription(file.string()), 1) << file;
        for (const auto& [name, text] : texts) {
            for (unsigned char c : text) {
                if (c == '\n' || c == ' ')
                    continue;
                const CFontGlyph& glyph = description.Glyphs[c];
                EXPECT_TRUE(glyph.Width > 0 && glyph.Advance > 0)
                    << font << " has no glyph for byte " << int(c) << " of " << name;
            }
        }
    }
}

// Whatever the code and the form files already ask for must be there: a number
// written in a GetString call, a name in a FindStringDefine call, and an unquoted
// word after TEXT in a form file.
TEST_F(ShippedTextsTest, CodeAndFormsAskOnlyForShippedTexts) {
    const fs::path src = fs::path(kSourceDir) / "src";
    for (const auto& entry : fs::recursive_directory_iterator(src)) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h"))
            continue;
        const std::string code = testsupport::ReadFile(entry.path());
        for (const std::string& id : LiteralArguments(code, "GetString"))
            EXPECT_NE(GetString(std::atoi(id.c_str())), "") << entry.path() << " asks for " << id;
        for (const std::string& name : LiteralArguments(code, "FindStringDefine"))
            EXPECT_NE(FindStringDefine(name), "") << entry.path() << " asks for " << name;
    }
    const fs::path forms = fs::path(kSourceDir) / "data" / "Data" / "Forms";
    if (!fs::is_directory(forms))
        return;
    for (const auto& entry : fs::directory_iterator(forms)) {
        if (entry.path().extension() != ".uxf")
            continue;
        CTextTokenizer tokens;
        ASSERT_EQ(tokens.Open(entry.path().string()), 0) << entry.path();
        std::string token;
        while (tokens.NextToken(token)) {
            StrToUpper(token);
            // A quoted text or a number is shown as written; a word names a form text.
            if (token != "TEXT" || !tokens.NextToken(token) || !IsWord(token))
                continue;
            EXPECT_NE(FindStringDefine(token), "")
                << entry.path().filename() << " line " << tokens.LineNumber() << ": " << token;
        }
    }
}

} // namespace
