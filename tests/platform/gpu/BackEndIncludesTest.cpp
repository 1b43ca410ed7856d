// What the compiler cannot see in the drawing layer's sources:
// - The include direction: what every back end shares (the files directly in
//   src/platform/gpu) includes no back end, and no back end (a folder below
//   it) includes another. The back ends meet only in what they share; a
//   factory hands out their devices through the device API.
// - A misspelt hook: the front calls a back end's hooks by name, and a hook
//   misspelt and left out of the back end's hook list is a function of its
//   own that nothing calls (the front keeps its default, and the build
//   passes). No back end declares a function named like a hook but not one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kSrc = fs::path(GV_SOURCE_DIR) / "src";
const fs::path kGpu = kSrc / "platform" / "gpu";

// The back-end folder a file of the drawing layer lies in ("" for the shared
// level), or NoFolder when it lies outside the layer.
const char* const NoFolder = "(outside)";
std::string FolderOf(const fs::path& file) {
    const fs::path rel = file.lexically_normal().lexically_relative(kGpu);
    if (rel.empty() || *rel.begin() == "..")
        return NoFolder;
    return std::next(rel.begin()) == rel.end() ? std::string() : rel.begin()->string();
}

// Every quoted include of `file`, resolved from src/ or from the file's folder.
std::vector<fs::path> QuotedIncludes(const fs::path& file) {
    std::vector<fs::path> out;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        const size_t hash = line.find_first_not_of(" \t");
        if (hash == std::string::npos || line.compare(hash, 1, "#") != 0 ||
            line.find("include", hash) == std::string::npos)
            continue;
        const size_t open = line.find('"'), close = line.rfind('"');
        if (open == std::string::npos || close <= open)
            continue;
        const std::string name = line.substr(open + 1, close - open - 1);
        const fs::path besideFile = file.parent_path() / name;
        out.push_back(fs::exists(besideFile) ? besideFile : kSrc / name);
    }
    return out;
}

TEST(BackEndIncludes, SharedLevelIncludesNoBackEndAndNoBackEndAnother) {
    ASSERT_TRUE(fs::is_directory(kGpu)) << kGpu;
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(kGpu)) {
        if (!entry.is_regular_file())
            continue;
        const std::string ext = entry.path().extension().string();
        if (ext != ".h" && ext != ".cpp" && ext != ".inc")
            continue;
        ++files;
        const std::string from = FolderOf(entry.path());
        for (const fs::path& included : QuotedIncludes(entry.path())) {
            const std::string to = FolderOf(included);
            if (to != NoFolder && !to.empty())
                EXPECT_EQ(to, from) << entry.path().lexically_relative(kSrc) << " includes "
                                    << included.lexically_normal().lexically_relative(kSrc);
        }
    }
    EXPECT_GT(files, 20);
}

std::string ReadAll(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The hooks the device front knows, by the names of its Hook enumeration.
std::vector<std::string> HookNames() {
    const std::string front = ReadAll(kGpu / "DeviceFront.h");
    const size_t open = front.find("enum class Hook");
    const size_t close = front.find('}', open);
    std::vector<std::string> names;
    if (open == std::string::npos || close == std::string::npos)
        return names;
    const std::string body = front.substr(open, close - open);
    const std::regex name(R"((\w+),)");
    for (auto it = std::sregex_iterator(body.begin(), body.end(), name);
         it != std::sregex_iterator(); ++it)
        if ((*it)[1] != "Count")
            names.push_back((*it)[1]);
    return names;
}

size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = up;
        }
    }
    return row[b.size()];
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// `source` without its comments (a hook's name may well be said in them).
std::string WithoutComments(const std::string& source) {
    static const std::regex comment(R"(//[^\n]*|/\*[\s\S]*?\*/)");
    return std::regex_replace(source, comment, " ");
}

// The functions `source` declares or defines whose names are a hook's
// misspelt (a letter off, two in a long name, or another case), as
// "Name (Hook)".
std::vector<std::string> MisspeltHooks(const std::string& withComments,
                                       const std::vector<std::string>& hooks) {
    const std::string source = WithoutComments(withComments);
    std::vector<std::string> found;
    // A name after a type (or a class and "::") and before its parameters.
    const std::regex declared(R"([\w>*&]\s+[*&]?(?:\w+::)?(\w+)\s*\()");
    for (auto it = std::sregex_iterator(source.begin(), source.end(), declared);
         it != std::sregex_iterator(); ++it) {
        const std::string name = (*it)[1];
        for (const std::string& hook : hooks) {
            const size_t reach = std::min(name.size(), hook.size()) >= 9 ? 2 : 1;
            if (name != hook && (Lower(name) == Lower(hook) || EditDistance(name, hook) <= reach))
                found.push_back(name + " (" + hook + ")");
        }
    }
    return found;
}

TEST(BackEndSources, NoBackEndHasAFunctionNamedLikeAHookButNotOne) {
    const std::vector<std::string> hooks = HookNames();
    ASSERT_GT(hooks.size(), 10u) << "the hooks of DeviceFront.h";
    // The check finds the misspellings it is for, in the back ends' own text.
    const struct {
        const char *file, *from, *to, *finds;
    } planted[] = {
        {"recording/RecordingDevice.h", "void ApplyMode(const", "void ApplyModes(const",
         "ApplyModes (ApplyMode)"},
        {"soft/SoftDevice.h", "void SceneBegins()", "void SceneBegin()",
         "SceneBegin (SceneBegins)"},
        {"gl/GlDevice.h", "void RampChanged()", "void RampChange()", "RampChange (RampChanged)"},
        {"gl/GlDevice.h", "void Changed(FrontCall", "void changed(FrontCall",
         "changed (Changed)"},
    };
    for (const auto& p : planted) {
        std::string text = ReadAll(kGpu / p.file);
        const size_t at = text.find(p.from);
        if (at == std::string::npos) {
            ADD_FAILURE() << p.file << " no longer holds '" << p.from << "'";
            continue;
        }
        text.replace(at, std::string(p.from).size(), p.to);
        const std::vector<std::string> found = MisspeltHooks(text, hooks);
        EXPECT_NE(std::find(found.begin(), found.end(), p.finds), found.end())
            << p.file << ": " << p.to;
    }
    // The back ends themselves: the class that lists its hooks declares
    // every function the front could call.
    int backEnds = 0;
    for (const auto& entry : fs::recursive_directory_iterator(kGpu)) {
        const std::string text = entry.path().extension() == ".h" ? ReadAll(entry.path()) : "";
        if (text.find("kHooks[]") == std::string::npos || FolderOf(entry.path()).empty())
            continue;
        ++backEnds;
        for (const std::string& m : MisspeltHooks(text, hooks))
            ADD_FAILURE() << entry.path().lexically_relative(kSrc) << ": " << m
                          << " is named like a hook but is none: the front never calls it";
    }
    EXPECT_EQ(backEnds, 3) << "GL, ours and the recording device";
}

} // namespace
