#pragma once
// Texts with numbers and names filled in. The patterns come from the string
// table and other data files, so formatting never trusts them: only "%d"
// (with an optional zero flag and width, as in "%02d") and "%s" take the next
// argument, "%%" gives '%', and every other '%' is copied as written. A
// pattern with more conversions than arguments gets 0 or the empty text for
// the missing ones. The result grows as needed; nothing is cut.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

// One argument of FormatText: a number or a text. A number given to "%s"
// prints in decimal; a text given to "%d" prints as it stands.
class CFormatArg {
public:
    CFormatArg(int32_t number) : Number(number) {}
    CFormatArg(std::string_view text) : Text(text), IsText(true) {}
    CFormatArg(const char* text) : Text(text ? text : ""), IsText(true) {}
    CFormatArg(const std::string& text) : Text(text), IsText(true) {}

    int32_t Number = 0;
    std::string_view Text;
    bool IsText = false;
};

std::string FormatText(std::string_view pattern, std::initializer_list<CFormatArg> args);
// Seconds as "m:ss", rounded up to whole seconds (never below 0:00): a
// countdown reads 0:00 only when the time is up.
std::string FormatClock(float seconds);
// Whole seconds as "m:ss", as the records keep them.
std::string FormatWholeSeconds(int32_t seconds);
