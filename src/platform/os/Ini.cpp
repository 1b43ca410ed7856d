#include "platform/os/Ini.h"

#include "platform/os/Ascii.h"
#include "platform/os/Path.h"
#include "platform/os/SafeWrite.h"
#include "platform/os/TextFile.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <sys/stat.h>
#include <unordered_map>
#include <vector>

namespace os {
namespace {

enum class LineKind { Blank, Comment, Section, Key, Other };

// One line of the file as offsets into its text: content [begin, end), line end
// [end, next). For a key line, valueStart is where the value's text begins (just
// past '=' and the blanks after it).
struct IniLine {
    size_t begin = 0, end = 0, next = 0;
    LineKind kind = LineKind::Blank;
    std::string_view name;
    std::string_view value;
    size_t valueStart = 0;
    int number = 0; // line number in the file, from 1
};

IniLine Classify(std::string_view text, size_t begin, size_t contentStart, size_t end,
                 size_t next) {
    IniLine line;
    line.begin = begin;
    line.end = end;
    line.next = next;
    std::string_view content = text.substr(contentStart, end - contentStart);
    std::string_view s = TrimBlanks(content);
    if (s.empty()) {
        line.kind = LineKind::Blank;
    } else if (s.front() == ';') {
        line.kind = LineKind::Comment;
    } else if (s.front() == '[') {
        line.kind = LineKind::Section;
        std::string_view inner = s.substr(1);
        line.name = TrimBlanks(inner.substr(0, inner.find(']')));
    } else if (size_t eq = content.find('='); eq != std::string_view::npos) {
        line.kind = LineKind::Key;
        line.name = TrimBlanks(content.substr(0, eq));
        size_t v = eq + 1;
        while (v < content.size() && (content[v] == ' ' || content[v] == '\t'))
            ++v;
        line.valueStart = contentStart + v;
        line.value = TrimBlanks(content.substr(v));
    } else {
        line.kind = LineKind::Other;
    }
    return line;
}

// Every line of the file, or with namesOnly only its section headers and keys
// (all a read looks at: a file of blank lines then costs no memory per line).
std::vector<IniLine> Parse(std::string_view text, bool namesOnly = false) {
    std::vector<IniLine> lines;
    size_t pos = 0;
    int number = 0;
    while (pos < text.size()) {
        ++number;
        size_t nl = text.find('\n', pos);
        size_t next = nl == std::string_view::npos ? text.size() : nl + 1;
        size_t end = nl == std::string_view::npos ? text.size() : nl;
        if (end > pos && text[end - 1] == '\r')
            --end;
        size_t contentStart = pos;
        if (pos == 0 && text.substr(0, 3) == "\xEF\xBB\xBF")
            contentStart = std::min<size_t>(3, end);
        IniLine line = Classify(text, pos, contentStart, end, next);
        line.number = number;
        if (!namesOnly || line.kind == LineKind::Section || line.kind == LineKind::Key)
            lines.push_back(line);
        pos = next;
    }
    return lines;
}

std::string_view Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

// Index of the first header named `section`, or lines.size().
size_t FindSection(const std::vector<IniLine>& lines, std::string_view section) {
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].kind == LineKind::Section && EqualsNoCase(lines[i].name, section))
            return i;
    return lines.size();
}

// Index of the first line after the section header `header` that is the next
// header, or lines.size().
size_t SectionEnd(const std::vector<IniLine>& lines, size_t header) {
    size_t i = header + 1;
    while (i < lines.size() && lines[i].kind != LineKind::Section)
        ++i;
    return i;
}

size_t FindKey(const std::vector<IniLine>& lines, size_t header, size_t sectionEnd,
               std::string_view key) {
    for (size_t i = header + 1; i < sectionEnd; ++i)
        if (lines[i].kind == LineKind::Key && EqualsNoCase(lines[i].name, key))
            return i;
    return sectionEnd;
}

bool HasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

std::string_view DominantLineEnd(std::string_view text, const std::vector<IniLine>& lines) {
    size_t crlf = 0, lf = 0;
    for (const IniLine& l : lines) {
        if (l.next > l.end && text[l.next - 1] == '\n')
            ++(l.next - l.end == 2 ? crlf : lf);
    }
    return crlf > lf ? "\r\n" : "\n";
}

// A read file with its lines, kept while the file stays the same version, so a
// reader asking for hundreds of keys parses it once. The text must not move
// once the lines point into it, so entries are held by pointer.
struct CachedIni {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    struct timespec modified = {};
    struct timespec checked = {}; // when the text was last known to match the file
    std::string text;
    std::vector<IniLine> lines;
    std::string fault;       // why the file is not read; empty when it is
    bool faultGiven = false; // the fault was handed to a caller already
};

// Enough for every configuration file of the game and a few profiles at once.
constexpr size_t kMaxCachedFiles = 32;

std::unordered_map<std::string, std::unique_ptr<CachedIni>>& IniCache() {
    static std::unordered_map<std::string, std::unique_ptr<CachedIni>> cache;
    return cache;
}

bool SameVersion(const CachedIni& c, const struct stat& st) {
    return c.device == st.st_dev && c.inode == st.st_ino && c.size == st.st_size &&
           c.modified.tv_sec == st.st_mtim.tv_sec && c.modified.tv_nsec == st.st_mtim.tv_nsec;
}

// File times tick coarsely (the kernel's clock tick): a file rewritten in place,
// at its old size, within one tick of the read keeps its time. Until the text was
// last checked this long after the file's time, it is compared with the file
// before it is trusted; a later change then shows as a newer time.
constexpr long long kTimeTickNanoseconds = 50'000'000;

long long Nanoseconds(const struct timespec& t) {
    return static_cast<long long>(t.tv_sec) * 1'000'000'000LL + t.tv_nsec;
}

struct timespec Now() {
    struct timespec now = {};
    clock_gettime(CLOCK_REALTIME, &now);
    return now;
}

bool StillMatches(CachedIni& c, const std::string& resolved) {
    if (!c.fault.empty() || Nanoseconds(c.checked) - Nanoseconds(c.modified) > kTimeTickNanoseconds)
        return true;
    std::string now;
    if (!ReadFileBytes(resolved, &now, kMaxIniBytes) || now != c.text)
        return false;
    c.checked = Now();
    return true;
}

// The parsed file at `resolved`, or null when there is no such file (or it is no
// regular file); an entry with a fault holds no lines.
CachedIni* LoadCached(const std::string& resolved) {
    auto& cache = IniCache();
    struct stat st;
    if (resolved.empty() || stat(resolved.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        cache.erase(resolved);
        return nullptr;
    }
    auto found = cache.find(resolved);
    if (found != cache.end() && SameVersion(*found->second, st) &&
        StillMatches(*found->second, resolved))
        return found->second.get();
    if (found == cache.end() && cache.size() >= kMaxCachedFiles)
        cache.clear();

    auto entry = std::make_unique<CachedIni>();
    entry->device = st.st_dev;
    entry->inode = st.st_ino;
    entry->size = st.st_size;
    entry->modified = st.st_mtim;
    entry->checked = Now();
    if (static_cast<unsigned long long>(st.st_size) > kMaxIniBytes) {
        entry->fault = "larger than " + std::to_string(kMaxIniBytes >> 20) +
                       " MB, no configuration file is; its values are not read";
    } else if (!ReadFileBytes(resolved, &entry->text, kMaxIniBytes)) {
        entry->fault = "cannot be read (or grew past " + std::to_string(kMaxIniBytes >> 20) +
                       " MB while read); its values are not read";
    } else {
        entry->lines = Parse(entry->text, true);
    }
    CachedIni* kept = entry.get();
    cache[resolved] = std::move(entry);
    return kept;
}

void ForgetCached(const std::string& resolved) {
    IniCache().erase(resolved);
}

} // namespace

ProfileValue ReadProfileValue(const char* section, const char* key, const char* def,
                              std::string_view path, size_t bufferSize) {
    ProfileValue out;
    std::string_view result = def != nullptr ? def : "";
    if (section != nullptr && key != nullptr) {
        if (CachedIni* file = LoadCached(ResolveReadPath(path))) {
            const std::vector<IniLine>& lines = file->lines;
            size_t header = FindSection(lines, TrimBlanks(section));
            if (header < lines.size()) {
                size_t end = SectionEnd(lines, header);
                size_t k = FindKey(lines, header, end, TrimBlanks(key));
                if (k < end) {
                    result = Unquote(lines[k].value);
                    out.line = lines[k].number;
                }
            }
            if (!file->fault.empty() && !file->faultGiven) {
                out.fault = file->fault;
                file->faultGiven = true;
            }
        }
    }
    if (bufferSize > 0)
        out.text.assign(result.substr(0, bufferSize - 1));
    return out;
}

size_t GetProfileString(const char* section, const char* key, const char* def, char* buf,
                        size_t size, std::string_view path) {
    if (buf == nullptr || size == 0)
        return 0;
    const std::string text = ReadProfileValue(section, key, def, path, size).text;
    std::memcpy(buf, text.data(), text.size());
    buf[text.size()] = '\0';
    return text.size();
}

std::string GetProfileString(const char* section, const char* key, const char* def,
                             std::string_view path, size_t bufferSize) {
    return ReadProfileValue(section, key, def, path, bufferSize).text;
}

namespace {

// Whether the entry can be written: a section and key, neither empty, and
// nothing that would read back as another line, key or section.
bool IsWritable(const ProfileEntry& entry) {
    if (entry.section == nullptr || entry.key == nullptr || entry.value == nullptr)
        return false;
    std::string_view sec = TrimBlanks(entry.section);
    std::string_view k = TrimBlanks(entry.key);
    return !sec.empty() && !k.empty() && !HasLineBreak(entry.section) && !HasLineBreak(entry.key) &&
           !HasLineBreak(entry.value) && sec.find(']') == std::string_view::npos &&
           k.find('=') == std::string_view::npos && k.front() != '[' && k.front() != ';';
}

// Sets key=value of a writable entry in the file's text (see
// WriteProfileString).
void SetValue(std::string& text, const ProfileEntry& entry) {
    std::string_view sec = TrimBlanks(entry.section);
    std::string_view k = TrimBlanks(entry.key);
    std::string_view v = entry.value;
    std::vector<IniLine> lines = Parse(text);
    std::string eol(DominantLineEnd(text, lines));
    std::string keyLine = std::string(k) + "=" + std::string(v) + eol;

    std::string out;
    size_t header = FindSection(lines, sec);
    if (header < lines.size()) {
        size_t end = SectionEnd(lines, header);
        size_t found = FindKey(lines, header, end, k);
        if (found < end) {
            const IniLine& l = lines[found];
            out.reserve(text.size() + v.size());
            out.append(text, 0, l.valueStart).append(v).append(text, l.end);
        } else {
            size_t last = header;
            for (size_t i = header + 1; i < end; ++i)
                if (lines[i].kind == LineKind::Key || lines[i].kind == LineKind::Other)
                    last = i;
            const IniLine& l = lines[last];
            bool terminated = l.next > l.begin && text[l.next - 1] == '\n';
            out.append(text, 0, l.next);
            if (!terminated)
                out += eol;
            out.append(keyLine).append(text, l.next);
        }
    } else {
        out = text;
        if (!out.empty() && out.back() != '\n')
            out += eol;
        if (!lines.empty() && lines.back().kind != LineKind::Blank)
            out += eol;
        out.append("[").append(sec).append("]").append(eol).append(keyLine);
    }
    text = std::move(out);
}

} // namespace

bool WriteProfileString(const char* section, const char* key, const char* value,
                        std::string_view path) {
    const ProfileEntry entry{section, key, value};
    return WriteProfileStrings({&entry, 1}, path);
}

bool WriteProfileStrings(std::span<const ProfileEntry> entries, std::string_view path,
                         bool replaceUnreadable) {
    if (entries.empty() || !std::all_of(entries.begin(), entries.end(), IsWritable))
        return false;
    // The old text may be the data folder's; the new one goes to the user folder.
    const std::string source = ResolveReadPath(path);
    std::string target = ResolveWritePath(path);
    // The cached copies are stale from here on, whether or not the write succeeds.
    ForgetCached(source);
    ForgetCached(target);
    std::string text;
    struct stat st;
    if (lstat(source.c_str(), &st) == 0 && !ReadFileBytes(source, &text, kMaxIniBytes)) {
        if (!replaceUnreadable)
            return false;
        text.clear();
    }
    for (const ProfileEntry& entry : entries)
        SetValue(text, entry);
    return WriteFileSafely(target, text);
}

void ForgetProfileFiles() {
    IniCache().clear();
}

} // namespace os
