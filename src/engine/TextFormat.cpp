#include "engine/TextFormat.h"

#include <algorithm>
#include <cmath>

namespace {

// Widths beyond this are clamped: a data file cannot make a text huge.
constexpr int kMaxWidth = 64;

void AppendPadded(std::string& out, std::string_view text, int width, bool zero) {
    if (static_cast<int>(text.size()) < width) {
        const size_t pad = static_cast<size_t>(width) - text.size();
        if (zero && !text.empty() && text.front() == '-') {
            out += '-';
            out.append(pad, '0');
            out.append(text.substr(1));
            return;
        }
        out.append(pad, zero ? '0' : ' ');
    }
    out.append(text);
}

} // namespace

std::string FormatText(std::string_view pattern, std::initializer_list<CFormatArg> args) {
    std::string out;
    out.reserve(pattern.size() + 16);
    auto next = args.begin();
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c != '%' || i + 1 >= pattern.size()) {
            out += c;
            continue;
        }
        if (pattern[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        size_t j = i + 1;
        const bool zero = pattern[j] == '0';
        if (zero)
            ++j;
        int width = 0;
        for (; j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9'; ++j)
            width = std::min(width * 10 + (pattern[j] - '0'), kMaxWidth);
        if (j >= pattern.size() || (pattern[j] != 'd' && pattern[j] != 's')) {
            out += c; // not a conversion we fill: the '%' stays as written
            continue;
        }
        const CFormatArg* arg = next != args.end() ? &*next++ : nullptr;
        if (arg && arg->IsText)
            AppendPadded(out, arg->Text, width, false);
        else if (pattern[j] == 'd' || arg)
            AppendPadded(out, std::to_string(arg ? arg->Number : 0), width, zero);
        i = j;
    }
    return out;
}

std::string FormatClock(float seconds) {
    const float s = std::isfinite(seconds) ? std::max(seconds, 0.0f) : 0.0f;
    return FormatWholeSeconds(static_cast<int32_t>(std::min(std::ceil(s), 359999.0f)));
}

std::string FormatWholeSeconds(int32_t seconds) {
    const int32_t whole = std::max(seconds, 0);
    return FormatText("%d:%02d", {whole / 60, whole % 60});
}
