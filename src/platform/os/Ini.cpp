#include "platform/os/Ini.h"

#include "platform/os/Ascii.h"
#include "platform/os/Path.h"
#include "platform/os/TextFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace os {
namespace {

// Ini files are a few kilobytes; anything this large is not one of ours.
constexpr size_t kMaxIniBytes = size_t(16) << 20;

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

std::vector<IniLine> Parse(std::string_view text) {
    std::vector<IniLine> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        size_t next = nl == std::string_view::npos ? text.size() : nl + 1;
        size_t end = nl == std::string_view::npos ? text.size() : nl;
        if (end > pos && text[end - 1] == '\r')
            --end;
        size_t contentStart = pos;
        if (pos == 0 && text.substr(0, 3) == "\xEF\xBB\xBF")
            contentStart = std::min<size_t>(3, end);
        lines.push_back(Classify(text, pos, contentStart, end, next));
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

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// Writes `data` to a new file next to `target` and renames it over `target`.
bool ReplaceFile(std::string target, std::string_view data) {
    // Write through a symlink to its target rather than replacing the link.
    struct stat st;
    if (lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char real[PATH_MAX];
        if (realpath(target.c_str(), real) == nullptr || stat(real, &st) != 0)
            return false;
        target = real;
    }
    bool existed = stat(target.c_str(), &st) == 0;
    if (existed && !S_ISREG(st.st_mode))
        return false;

    size_t slash = target.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);

    static std::atomic<unsigned> counter{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = folder + "." + base + "." + std::to_string(getpid()) + "." +
               std::to_string(counter++) + ".tmp";
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;

    bool ok =
        (!existed || fchmod(fd, st.st_mode & 07777) == 0) && WriteAll(fd, data) && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    if (ok && rename(temp.c_str(), target.c_str()) == 0)
        return true;
    unlink(temp.c_str());
    return false;
}

} // namespace

size_t GetProfileString(const char* section, const char* key, const char* def, char* buf,
                        size_t size, std::string_view path) {
    if (buf == nullptr || size == 0)
        return 0;
    std::string_view result = def != nullptr ? def : "";

    std::string text;
    std::vector<IniLine> lines;
    if (section != nullptr && key != nullptr && ReadFileBytes(path, &text, kMaxIniBytes)) {
        lines = Parse(text);
        size_t header = FindSection(lines, TrimBlanks(section));
        if (header < lines.size()) {
            size_t end = SectionEnd(lines, header);
            size_t k = FindKey(lines, header, end, TrimBlanks(key));
            if (k < end)
                result = Unquote(lines[k].value);
        }
    }
    size_t n = std::min(result.size(), size - 1);
    std::memcpy(buf, result.data(), n);
    buf[n] = '\0';
    return n;
}

std::string GetProfileString(const char* section, const char* key, const char* def,
                             std::string_view path, size_t bufferSize) {
    if (bufferSize == 0)
        return std::string();
    std::string out(bufferSize, '\0');
    out.resize(GetProfileString(section, key, def, out.data(), out.size(), path));
    return out;
}

bool WriteProfileString(const char* section, const char* key, const char* value,
                        std::string_view path) {
    if (section == nullptr || key == nullptr || value == nullptr)
        return false;
    std::string_view sec = TrimBlanks(section);
    std::string_view k = TrimBlanks(key);
    std::string_view v = value;
    if (sec.empty() || k.empty() || HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(v) ||
        sec.find(']') != std::string_view::npos || k.find('=') != std::string_view::npos ||
        k.front() == '[' || k.front() == ';')
        return false;

    std::string target = ResolvePath(path);
    std::string text;
    struct stat st;
    if (lstat(target.c_str(), &st) == 0) {
        if (!ReadFileBytes(target, &text, kMaxIniBytes))
            return false;
    }
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
    return ReplaceFile(target, out);
}

} // namespace os
