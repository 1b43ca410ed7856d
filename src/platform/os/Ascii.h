#pragma once
// Locale-free ASCII helpers for names that the game compares without regard to
// case (ini sections and keys, file names on a case-sensitive file system).
#include <string_view>

namespace os {

constexpr char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

constexpr bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

// Spaces and tabs; a stray carriage return counts as a blank too, so that a
// line ending in "\r\r\n" still reads cleanly.
constexpr bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

constexpr std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

} // namespace os
