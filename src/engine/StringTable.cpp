#include "engine/StringTable.h"

#include <cstring>
#include <map>
#include <new>

#include "engine/ObjectLog.h"
#include "engine/TextNumbers.h"
#include "engine/TextTokenizer.h"

namespace {

std::map<int32_t, std::string>& IdTexts() {
    static std::map<int32_t, std::string> table;
    return table;
}

// std::less<> lets a string_view look up without building a string.
std::map<std::string, std::string, std::less<>>& FormTexts() {
    static std::map<std::string, std::string, std::less<>> table;
    return table;
}

enum class LoadFailure { None, Open, BadFormat };

// What went wrong where, for the log.
struct LoadResult {
    LoadFailure failure = LoadFailure::None;
    int line = 0;
    std::string reason;
};

LoadResult Bad(const CTextTokenizer& tokens, std::string reason) {
    return LoadResult{LoadFailure::BadFormat, tokens.LineNumber(), std::move(reason)};
}

int CopyOut(const std::string& text, char* buffer, int size) {
    if (!buffer || size < 1)
        return 0;
    const std::size_t room = static_cast<std::size_t>(size) - 1;
    const std::size_t n = text.size() < room ? text.size() : room;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

// Reads name/text pairs until the end of the file or, when stopAtUxf is set, the
// keyword UXF (which must then come).
template <class Map> LoadResult ReadPairs(CTextTokenizer& tokens, Map& into, bool stopAtUxf) {
    std::string token;
    for (;;) {
        if (!tokens.NextToken(token)) {
            if (stopAtUxf)
                return Bad(tokens, "the file ends before the keyword UXF");
            return {};
        }
        if (stopAtUxf && token == "UXF")
            return {};
        std::string name = StripQuotes(token);
        if (!tokens.NextToken(token))
            return Bad(tokens,
                       "the file ends after the name " + QuoteToken(name) + ", its text expected");
        into.emplace(std::move(name), UnescapeText(StripQuotes(token)));
    }
}

LoadResult ReadStringFile(const std::string& path, std::map<std::string, std::string>& named) {
    CTextTokenizer tokens;
    if (tokens.Open(path))
        return LoadResult{LoadFailure::Open, 0, "the file cannot be opened"};
    std::string token;
    if (!tokens.NextToken(token))
        return Bad(tokens, "the file is empty, the keyword STRINGS expected");
    StrToUpper(token);
    if (token != "STRINGS")
        return Bad(tokens, "the keyword STRINGS expected, found " + QuoteToken(token));
    LoadResult result = ReadPairs(tokens, named, true);
    if (result.failure == LoadFailure::None)
        result = ReadPairs(tokens, FormTexts(), false);
    return result;
}

LoadResult ReadDefineFile(const std::string& path, std::map<std::string, int32_t>& ids) {
    CTextTokenizer tokens;
    if (tokens.Open(path))
        return LoadResult{LoadFailure::Open, 0, "the file cannot be opened"};
    std::string token;
    while (tokens.NextToken(token)) {
        if (token != "define")
            return Bad(tokens, "\"define\" expected, found " + QuoteToken(token));
        if (!tokens.NextToken(token))
            return Bad(tokens, "the file ends inside a define line, a name expected");
        std::string name = StripQuotes(token);
        if (!tokens.NextToken(token))
            return Bad(tokens, "the file ends inside the define line of " + QuoteToken(name) +
                                   ", a number expected");
        ids.emplace(std::move(name), ParseDecimalInt(token.c_str()));
    }
    return {};
}

void LogFailure(const LoadResult& result, const std::string& path) {
    LogObject(result.failure == LoadFailure::Open ? "Unable to open file " : "Bad file format");
    LogObject(path);
    LogObject("\n");
    LogFileFault(path, result.line, result.reason);
}

} // namespace

std::string UnescapeText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            const char next = text[i + 1];
            if (next == 'n' || next == 't' || next == '\\') {
                out.push_back(next == 'n' ? '\n' : next == 't' ? '\t' : '\\');
                ++i;
                continue;
            }
        }
        out.push_back(c);
    }
    return out;
}

int LoadStringTable(std::string_view stringFile, std::string_view defineFile) {
    IdTexts().clear();
    const std::string stringPath(stringFile);
    const std::string definePath(defineFile);
    const std::string* reading = &stringPath;
    try {
        std::map<std::string, std::string> named;
        LoadResult result = ReadStringFile(stringPath, named);
        if (result.failure != LoadFailure::None) {
            LogFailure(result, stringPath);
            return 0;
        }
        reading = &definePath;
        std::map<std::string, int32_t> ids;
        result = ReadDefineFile(definePath, ids);
        if (result.failure != LoadFailure::None) {
            LogFailure(result, definePath);
            return 0;
        }
        for (const auto& [name, text] : named) {
            const auto id = ids.find(name);
            if (id == ids.end()) {
                LogObject("Warning! Unable to find string ID ");
                LogObject(QuoteToken(name, "", ""));
                LogObject("\n");
                continue;
            }
            IdTexts().emplace(id->second, text);
        }
        return 1;
    } catch (...) {
        IdTexts().clear();
        LogObject("Unknown error loading");
        LogObject(*reading);
        LogObject("\n");
        LogFileFault(*reading, 0, "out of memory");
        return 0;
    }
}

int GetString(int32_t id, char* buffer, int size) {
    const auto it = IdTexts().find(id);
    if (it == IdTexts().end())
        return CopyOut(std::string(), buffer, size);
    return CopyOut(it->second, buffer, size);
}

std::string GetString(int32_t id) {
    const auto it = IdTexts().find(id);
    return it == IdTexts().end() ? std::string() : it->second;
}

int FindStringDefine(std::string_view name, char* buffer, int size) {
    const auto it = FormTexts().find(name);
    if (it == FormTexts().end())
        return CopyOut(std::string(), buffer, size);
    return CopyOut(it->second, buffer, size);
}

std::string FindStringDefine(std::string_view name) {
    const auto it = FormTexts().find(name);
    return it == FormTexts().end() ? std::string() : it->second;
}
