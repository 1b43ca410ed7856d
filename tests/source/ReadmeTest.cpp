// The README is what a newcomer reads first: it must name every setting the game
// reads from the environment, every script, and stay short enough to read in a
// minute. The checks read the README and the sources as they stand.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr size_t kMaxParagraphWords = 120;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The first column's `NAME`s of the table under the heading `title`.
std::set<std::string> TableNames(const std::string& readme, const std::string& title,
                                 const std::regex& name) {
    std::set<std::string> names;
    bool inSection = false;
    for (const std::string& line : Lines(readme)) {
        if (line.rfind("#", 0) == 0) {
            inSection = line.find(title) != std::string::npos;
            continue;
        }
        if (!inSection || line.rfind("| `", 0) != 0)
            continue;
        const std::string first = line.substr(0, line.find(" |", 2));
        std::smatch m;
        if (std::regex_search(first, m, name))
            names.insert(m[1]);
    }
    return names;
}

// Each paragraph, list item and table row of the text, code blocks left out.
std::vector<std::string> Paragraphs(const std::string& text) {
    std::vector<std::string> out;
    std::string current;
    bool fenced = false;
    auto flush = [&] {
        if (!current.empty())
            out.push_back(current);
        current.clear();
    };
    for (const std::string& line : Lines(text)) {
        if (line.rfind("```", 0) == 0) {
            fenced = !fenced;
            flush();
            continue;
        }
        if (fenced || (line.rfind("    ", 0) == 0 && current.empty()))
            continue;
        if (line.find_first_not_of(" \t") == std::string::npos || line.rfind("#", 0) == 0) {
            flush();
            continue;
        }
        if (line.rfind("- ", 0) == 0 || line.rfind("| ", 0) == 0)
            flush();
        current += line + "\n";
    }
    flush();
    return out;
}

size_t Words(const std::string& text) {
    std::istringstream in(text);
    size_t n = 0;
    for (std::string w; in >> w;)
        ++n;
    return n;
}

TEST(Readme, NamesEverySettingTheGameReadsAndNoOther) {
    const fs::path root(GV_SOURCE_DIR);
    std::set<std::string> read;
    const std::regex literal("\"(GLORVANE_[A-Z0-9_]+)\"");
    for (const auto& entry : fs::recursive_directory_iterator(root / "src")) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".cpp" && ext != ".h")
            continue;
        const std::string text = ReadAll(entry.path());
        for (std::sregex_iterator it(text.begin(), text.end(), literal), end; it != end; ++it)
            read.insert((*it)[1]);
    }
    ASSERT_FALSE(read.empty());
    const std::string readme = ReadAll(root / "README.md");
    const std::set<std::string> listed =
        TableNames(readme, "Settings the game reads", std::regex("`(GLORVANE_[A-Z0-9_]+)`"));
    for (const std::string& name : read)
        EXPECT_TRUE(listed.count(name)) << name << " is read by the game but not in the README";
    for (const std::string& name : listed)
        EXPECT_TRUE(read.count(name)) << name << " is in the README but the game never reads it";
}

TEST(Readme, ListsEveryScriptAndLinksOnlyWhatExists) {
    const fs::path root(GV_SOURCE_DIR);
    const std::string readme = ReadAll(root / "README.md");
    const std::set<std::string> listed =
        TableNames(readme, "Scripts", std::regex("`scripts/([a-z-]+)"));
    for (const auto& entry : fs::directory_iterator(root / "scripts"))
        EXPECT_TRUE(listed.count(entry.path().filename().string()))
            << "scripts/" << entry.path().filename().string() << " is not in the README";
    const std::regex link("\\]\\(([^)#:]+)\\)");
    for (std::sregex_iterator it(readme.begin(), readme.end(), link), end; it != end; ++it)
        EXPECT_TRUE(fs::exists(root / (*it)[1].str())) << (*it)[1] << " does not exist";
}

TEST(Readme, NoParagraphRunsOverAHundredAndTwentyWords) {
    const fs::path root(GV_SOURCE_DIR);
    for (const std::string& paragraph : Paragraphs(ReadAll(root / "README.md")))
        EXPECT_LE(Words(paragraph), kMaxParagraphWords) << paragraph;
}

} // namespace
