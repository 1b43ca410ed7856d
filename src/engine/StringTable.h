#pragma once
// The game's texts. "Strings.txt" holds texts named by define names (turned into
// numeric IDs by the "define NAME NUMBER" lines of "TextID.dat") up to the keyword
// UXF, and after it the texts of the form files, kept by name. Code asks for a text
// by ID, form files by name; anything not in the tables is the empty text.
#include <cstdint>
#include <string>
#include <string_view>

// Loads both files; 1 on success, 0 on failure (logged to the object log). The ID
// table is emptied first and stays empty after a failure; form texts accumulate
// over loads, and for a name or ID met twice the first text stays.
int LoadStringTable(std::string_view stringFile, std::string_view defineFile);

// Copies the text of `id` into the buffer, cut to size - 1 characters, and returns
// the number of characters copied; an unknown ID gives the empty text and 0.
int GetString(int32_t id, char* buffer, int size);
std::string GetString(int32_t id);

// The same over the form texts, by exact name.
int FindStringDefine(std::string_view name, char* buffer, int size);
std::string FindStringDefine(std::string_view name);

// Turns \n, \t and \\ into newline, tab and backslash; any other backslash stays.
std::string UnescapeText(std::string_view text);
