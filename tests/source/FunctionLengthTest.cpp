// No function of the game's sources runs over 250 lines: a longer one is
// split into functions named for what each part does. The sources are read
// with a brace counter that knows comments, literals, the preprocessor (only
// the first branch of a conditional counts), namespaces and classes, tables
// and constructor initialisers; a file it cannot balance fails the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kMaxLines = 250;

// Folders whose functions may still run longer while they are being split
// on their own (none now). An exception is used only by a function over the
// limit; one that no function uses any more is reported, to be removed.
constexpr std::array<const char*, 0> kExceptions{};

struct Function {
    std::string Name;
    int Line = 0;  // of the opening brace, from 1
    int Lines = 0; // opening to closing brace, both counted
};

struct Scan {
    std::vector<Function> Functions;
    std::string Fault; // empty when the braces balance
};

bool IsWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// The text with comments, the insides of literals and preprocessor lines
// blanked (line ends kept), and the #elif and #else branches left out.
std::string Blank(const std::string& in) {
    std::string out = in;
    auto blank = [&out](size_t from, size_t to) {
        for (size_t k = from; k < to && k < out.size(); ++k)
            if (out[k] != '\n')
                out[k] = ' ';
    };
    std::vector<bool> skipping; // per open conditional: in a later branch
    bool skipped = false;       // in a later branch of any of them
    bool lineStart = true;
    for (size_t i = 0; i < in.size();) {
        const char c = in[i];
        if (lineStart && (c == ' ' || c == '\t')) {
            ++i;
            continue;
        }
        const bool wasLineStart = lineStart;
        lineStart = c == '\n';
        if (wasLineStart && c == '#') {
            size_t end = i;
            while (end < in.size() && in[end] != '\n')
                end += in[end] == '\\' && end + 1 < in.size() ? 2 : 1;
            std::istringstream words(in.substr(i + 1, end - i - 1));
            std::string directive;
            words >> directive;
            if (directive.rfind("if", 0) == 0)
                skipping.push_back(false);
            else if ((directive == "else" || directive == "elif") && !skipping.empty())
                skipping.back() = true;
            else if (directive == "endif" && !skipping.empty())
                skipping.pop_back();
            blank(i, end);
            i = end;
            skipped = std::find(skipping.begin(), skipping.end(), true) != skipping.end();
            continue;
        }
        if (skipped) {
            if (c != '\n')
                out[i] = ' ';
            ++i;
            continue;
        }
        size_t end = i + 1;
        if (c == '/' && i + 1 < in.size() && in[i + 1] == '/') {
            end = in.find('\n', i);
            end = end == std::string::npos ? in.size() : end;
        } else if (c == '/' && i + 1 < in.size() && in[i + 1] == '*') {
            end = in.find("*/", i + 2);
            end = end == std::string::npos ? in.size() : end + 2;
        } else if (c == '"' && i > 0 && in[i - 1] == 'R' && (i < 2 || !IsWordChar(in[i - 2]))) {
            const size_t open = in.find('(', i);
            const std::string close = ")" + in.substr(i + 1, open - i - 1) + "\"";
            end = in.find(close, open);
            end = end == std::string::npos ? in.size() : end + close.size();
            blank(i + 1, end - 1);
            i = end;
            continue;
        } else if (c == '"' || c == '\'') {
            // A quote inside a number is a digit separator (1'000).
            size_t word = i;
            while (word > 0 && (IsWordChar(in[word - 1]) || in[word - 1] == '\''))
                --word;
            if (c == '\'' && word < i && std::isdigit(static_cast<unsigned char>(in[word]))) {
                ++i;
                continue;
            }
            while (end < in.size() && in[end] != c && in[end] != '\n')
                end += in[end] == '\\' ? 2 : 1;
            blank(i + 1, end);
            i = end + 1;
            continue;
        } else {
            ++i;
            continue;
        }
        blank(i, end);
        lineStart = end < in.size() && in[end] == '\n';
        i = end;
    }
    return out;
}

std::string Trim(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t\n");
    if (a == std::string::npos)
        return {};
    return s.substr(a, s.find_last_not_of(" \t\n") - a + 1);
}

// What the braces opened after `header` enclose.
enum class Block { Scope, Function, Initialiser, Other };

Block Classify(std::string header, std::string& name) {
    header = Trim(header);
    // template <...> before a declaration
    while (header.rfind("template", 0) == 0 && header.find('<') != std::string::npos) {
        int angles = 0;
        size_t k = header.find('<');
        for (; k < header.size(); ++k) {
            angles += header[k] == '<' ? 1 : header[k] == '>' ? -1 : 0;
            if (angles == 0)
                break;
        }
        header = Trim(header.substr(std::min(k + 1, header.size())));
    }
    std::istringstream words(header);
    std::string first;
    words >> first;
    // Where the parentheses at the top level open and close, and its colons.
    size_t firstParen = std::string::npos, lastClose = std::string::npos;
    bool initColon = false, assigned = false;
    int depth = 0;
    for (size_t k = 0; k < header.size(); ++k) {
        const char c = header[k];
        if (c == '(' && depth++ == 0 && firstParen == std::string::npos)
            firstParen = k;
        else if (c == ')' && --depth == 0)
            lastClose = k;
        else if (depth == 0 && c == '=' && firstParen == std::string::npos)
            assigned = true;
        else if (depth == 0 && c == ':' && lastClose != std::string::npos &&
                 (k + 1 >= header.size() || header[k + 1] != ':') && header[k - 1] != ':')
            initColon = true;
    }
    const bool scopeWord =
        first == "extern" || first == "class" || first == "struct" || first == "union";
    if (first == "namespace" || (first == "inline" && header.find("namespace") == 7) ||
        (scopeWord && firstParen == std::string::npos))
        return Block::Scope;
    if (first == "enum" || firstParen == std::string::npos)
        return Block::Other;
    const bool isOperator = header.find("operator") != std::string::npos;
    if (assigned && !isOperator) {
        const std::string value = Trim(header.substr(header.find('=') + 1));
        if (value.empty() || value[0] != '[')
            return Block::Other;
    }
    if (initColon && header.back() != ')' && header.back() != '}')
        return Block::Initialiser;
    std::string before = Trim(header.substr(0, firstParen));
    if (before.size() >= 8 && before.compare(before.size() - 8, 8, "operator") == 0)
        before = Trim(header.substr(0, header.find('(', header.find(')', firstParen))));
    if (assigned && !isOperator)
        before = Trim(header.substr(0, header.find('=')));
    const size_t space = before.find_last_of(" \t\n*&");
    name = space == std::string::npos ? before : before.substr(space + 1);
    return Block::Function;
}

Scan ScanSource(const std::string& source) {
    const std::string text = Blank(source);
    Scan scan;
    struct Open {
        Block Kind;
        int Line;
        std::string Name;
        bool KeepHeader; // braces inside a declaration's own text
    };
    std::vector<Open> open;
    size_t headerStart = 0;
    int parens = 0, line = 1;
    auto inCode = [&open] { return !open.empty() && open.back().Kind != Block::Scope; };
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n') {
            ++line;
        } else if (c == '{') {
            if (inCode() || parens > 0) {
                open.push_back({Block::Other, line, {}, !inCode()});
                continue;
            }
            std::string name;
            const Block kind = Classify(text.substr(headerStart, i - headerStart), name);
            open.push_back({kind, line, name, kind == Block::Initialiser});
            if (kind == Block::Scope)
                headerStart = i + 1;
        } else if (c == '}') {
            if (open.empty()) {
                scan.Fault = "a '}' closes nothing at line " + std::to_string(line);
                return scan;
            }
            const Open closed = open.back();
            open.pop_back();
            if (closed.Kind == Block::Function)
                scan.Functions.push_back({closed.Name, closed.Line, line - closed.Line + 1});
            if (!inCode() && !closed.KeepHeader) {
                headerStart = i + 1;
                parens = 0;
            }
        } else if (!inCode() && (c == '(' || c == ')')) {
            parens += c == '(' ? 1 : -1;
        } else if (!inCode() && c == ';' && parens == 0) {
            headerStart = i + 1;
        }
    }
    if (!open.empty())
        scan.Fault = "the '{' at line " + std::to_string(open.back().Line) + " is never closed";
    return scan;
}

// The exception (a path prefix under src/) that allows a long function at
// `path`, or null.
const char* ExceptionFor(const std::string& path) {
    for (const char* prefix : kExceptions)
        if (path.rfind(prefix, 0) == 0)
            return prefix;
    return nullptr;
}

std::string Lengths(const Scan& scan) {
    std::string out = scan.Fault;
    for (const Function& f : scan.Functions)
        out += (out.empty() ? "" : " ") + f.Name + ":" + std::to_string(f.Lines);
    return out;
}

TEST(FunctionLength, TheCounterFindsFunctionsThroughWhatLooksLikeBraces) {
    const struct {
        const char* source;
        const char* found; // name:lines of each function, in closing order
    } cases[] = {
        {"void f() {\n}\n", "f:2"},
        // Comments, literals, digit separators and raw strings hold no braces.
        {"int f() { // }\n /* } */ return '}' + \"}\\\"}\"[0] + 1'000; }\n", "f:2"},
        {"const char* f() { return R\"x(}\n)\")x\"; }\n", "f:2"},
        // Only the first branch of a conditional counts; directives go whole.
        {"#if A\nvoid f() {\n#else\nvoid g() {\n#endif\n}\n#define X {\n", "f:5"},
        // Namespaces, classes and their inline members, nested types.
        {"namespace a {\nstruct S : B {\n  struct T {};\n  int g() const { return 0; }\n};\n}",
         "g:1"},
        {"extern \"C\" {\nvoid h(int x = int{}) {\n}\n}\n", "h:2"},
        // Tables, enums and lambdas inside functions are not functions.
        {"enum E { A };\nint t[] = {1, {2}};\nstruct { int x; } k[] = {{1}};\n"
         "void f() {\n auto l = [] {\n };\n}\n",
         "f:4"},
        // Constructor initialisers with braces, operators, templates, lambdas.
        {"X::X() : a{1}, b(2), c{} {\n}\n", "X::X:2"},
        {"template <typename T = int>\nbool operator==(T a, T b) { return a == b; }\n"
         "auto X::operator()(int) -> std::map<int, int> {\n}\n",
         "operator==:1 X::operator():2"},
        {"const auto kTable = [](int n) {\n return n;\n};\n", "kTable:3"},
        {"void f() {\n", "the '{' at line 1 is never closed"},
        {"}\n", "a '}' closes nothing at line 1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Lengths(ScanSource(c.source)), c.found) << c.source;
}

TEST(FunctionLength, NoFunctionInTheSourcesRunsOver250Lines) {
    const fs::path src = fs::path(GV_SOURCE_DIR) / "src";
    ASSERT_TRUE(fs::is_directory(src)) << src;
    size_t functions = 0;
    std::set<std::string> used;
    for (const auto& entry : fs::recursive_directory_iterator(src)) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp" && ext != ".inc"))
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream read;
        read << in.rdbuf();
        const std::string source = read.str();
        const std::string path = entry.path().lexically_relative(src).generic_string();
        const Scan scan = ScanSource(source);
        EXPECT_EQ(scan.Fault, "") << "src/" << path;
        functions += scan.Functions.size();
        for (const Function& f : scan.Functions) {
            if (f.Lines <= kMaxLines)
                continue;
            if (const char* prefix = ExceptionFor(path))
                used.insert(prefix);
            else
                ADD_FAILURE() << "src/" << path << ":" << f.Line << ": " << f.Name << " runs "
                              << f.Lines << " lines, over " << kMaxLines
                              << "; split it into functions named for what each part does";
        }
    }
    for (const char* prefix : kExceptions)
        if (!used.count(prefix))
            std::printf("No function under src/%s runs over %d lines now: its exception in "
                        "tests/source/FunctionLengthTest.cpp can go.\n",
                        prefix, kMaxLines);
    EXPECT_GT(functions, 1000u);
}

} // namespace
