#include "platform/os/TextFile.h"

#include "platform/os/Path.h"

#include <sys/stat.h>

namespace os {

bool ReadFileBytes(std::string_view gamePath, std::string* out, size_t maxBytes) {
    out->clear();
    FILE* file = Open(gamePath, "rb");
    if (file == nullptr)
        return false;
    struct stat st;
    if (fstat(fileno(file), &st) != 0 || S_ISDIR(st.st_mode)) {
        std::fclose(file);
        return false;
    }
    if (S_ISREG(st.st_mode) && static_cast<unsigned long long>(st.st_size) <= maxBytes)
        out->reserve(static_cast<size_t>(st.st_size));

    // Read in chunks rather than trusting the size: the file may change under
    // us, or not be a regular file at all.
    char chunk[16384];
    bool ok = true;
    for (;;) {
        size_t got = std::fread(chunk, 1, sizeof chunk, file);
        if (got > maxBytes - out->size()) {
            ok = false;
            break;
        }
        out->append(chunk, got);
        if (got < sizeof chunk) {
            ok = !std::ferror(file);
            break;
        }
    }
    std::fclose(file);
    if (!ok) {
        out->clear();
        out->shrink_to_fit();
    }
    return ok;
}

bool ReadTextFile(std::string_view gamePath, std::string* out, size_t maxBytes) {
    if (!ReadFileBytes(gamePath, out, maxBytes))
        return false;
    NormalizeLineEnds(out);
    return true;
}

void NormalizeLineEnds(std::string* text) {
    std::string& s = *text;
    size_t w = 0;
    for (size_t r = 0; r < s.size(); ++r) {
        if (s[r] == '\r' && (r + 1 == s.size() || s[r + 1] == '\n'))
            continue;
        s[w++] = s[r];
    }
    s.resize(w);
}

int ReadLineCounted(char* buf, int size, FILE* file) {
    if (buf == nullptr || file == nullptr || size < 2)
        return 0;
    int n = 0;
    while (n < size - 1) {
        int c = std::getc(file);
        if (c == EOF)
            break;
        if (c == '\r') {
            int next = std::getc(file);
            if (next == '\n')
                c = '\n';
            else if (next == EOF)
                break;
            else
                std::ungetc(next, file);
        }
        buf[n++] = static_cast<char>(c);
        if (c == '\n')
            break;
    }
    if (n == 0 || std::ferror(file))
        return 0;
    buf[n] = '\0';
    return n;
}

char* ReadLine(char* buf, int size, FILE* file) {
    return ReadLineCounted(buf, size, file) > 0 ? buf : nullptr;
}

} // namespace os
