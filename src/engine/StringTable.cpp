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
// keyword UXF (which must then come). Returns false on a bad file.
template <class Map> bool ReadPairs(CTextTokenizer& tokens, Map& into, bool stopAtUxf) {
    std::string token;
    for (;;) {
        if (!tokens.NextToken(token))
            return !stopAtUxf;
        if (stopAtUxf && token == "UXF")
            return true;
        std::string name = StripQuotes(token);
        if (!tokens.NextToken(token))
            return false;
        into.emplace(std::move(name), UnescapeText(StripQuotes(token)));
    }
}

LoadFailure ReadStringFile(const std::string& path, std::map<std::string, std::string>& named) {
    CTextTokenizer tokens;
    if (tokens.Open(path))
        return LoadFailure::Open;
    std::string token;
    if (!tokens.NextToken(token))
        return LoadFailure::BadFormat;
    StrToUpper(token);
    if (token != "STRINGS")
        return LoadFailure::BadFormat;
    if (!ReadPairs(tokens, named, true))
        return LoadFailure::BadFormat;
    if (!ReadPairs(tokens, FormTexts(), false))
        return LoadFailure::BadFormat;
    return LoadFailure::None;
}

LoadFailure ReadDefineFile(const std::string& path, std::map<std::string, int32_t>& ids) {
    CTextTokenizer tokens;
    if (tokens.Open(path))
        return LoadFailure::Open;
    std::string token;
    while (tokens.NextToken(token)) {
        if (token != "define")
            return LoadFailure::BadFormat;
        if (!tokens.NextToken(token))
            return LoadFailure::BadFormat;
        std::string name = StripQuotes(token);
        if (!tokens.NextToken(token))
            return LoadFailure::BadFormat;
        ids.emplace(std::move(name), ParseDecimalInt(token.c_str()));
    }
    return LoadFailure::None;
}

void LogFailure(LoadFailure failure, const std::string& path) {
    LogObject(failure == LoadFailure::Open ? "Unable to open file " : "Bad file format");
    LogObject(path);
    LogObject("\n");
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
        LoadFailure failure = ReadStringFile(stringPath, named);
        if (failure != LoadFailure::None) {
            LogFailure(failure, stringPath);
            return 0;
        }
        reading = &definePath;
        std::map<std::string, int32_t> ids;
        failure = ReadDefineFile(definePath, ids);
        if (failure != LoadFailure::None) {
            LogFailure(failure, definePath);
            return 0;
        }
        for (const auto& [name, text] : named) {
            const auto id = ids.find(name);
            if (id == ids.end()) {
                LogObject("Warning! Unable to find string ID ");
                LogObject(name);
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
