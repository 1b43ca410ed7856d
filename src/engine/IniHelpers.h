#pragma once
// Typed reads of ini-format configuration files. Every call names the file, the
// section, the key and a default written as text; the default goes through the same
// conversion as a value from the file, so a missing key reads exactly like a key
// holding the default. Float readers never hand out a value that is no finite
// number: such a field takes the default, with a "Warning!" in the log.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Values are cut at this many bytes including the terminator.
constexpr std::size_t kIniBufferSize = 256;

// Decimal integer (text that is no number gives 0).
int32_t GetIniInt(std::string_view file, const char* section, const char* key, const char* def);
// Decimal float (text that is no number gives 0).
float GetIniFloat(std::string_view file, const char* section, const char* key, const char* def);

// The same kept within low..high: a value outside is clamped, with a "Warning!"
// naming the key, the file and the value used.
int32_t GetIniIntClamped(std::string_view file, const char* section, const char* key,
                         const char* def, int32_t low, int32_t high);
float GetIniFloatClamped(std::string_view file, const char* section, const char* key,
                         const char* def, float low, float high);

// Logs that a value of the file was not used as written: a "Warning!" line naming
// the key, the file and what is used instead, then the file's fault line (line 0
// when the key is not in the file) with the problem.
// The key's line in the file (from 1), or 0 when the file does not hold it.
int IniKeyLine(std::string_view file, const char* section, const char* key);
void WarnIniValue(std::string_view file, const char* section, const char* key, int line,
                  std::string_view problem, std::string_view used);

// Blank-separated numbers into out[0..n-1]. A field for which the text holds no
// number keeps the value it had. Return `out`.
float* GetIniFloat2(float* out, std::string_view file, const char* section, const char* key,
                    const char* def);
float* GetIniFloat3(float* out, std::string_view file, const char* section, const char* key,
                    const char* def);
float* GetIniFloat4(float* out, std::string_view file, const char* section, const char* key,
                    const char* def);
int32_t* GetIniInt2(int32_t* out, std::string_view file, const char* section, const char* key,
                    const char* def);

// "red green blue alpha" (0..255 each, fractions dropped) packed as ARGB. Missing
// channels are 0; channels out of range are clamped.
uint32_t GetIniColour(std::string_view file, const char* section, const char* key, const char* def);
// Packs four channel values read from text as GetIniColour does.
uint32_t PackIniColour(const float rgba[4]);

// The raw value into the caller's buffer, cut to size - 1 characters; returns the
// number of characters copied.
std::size_t GetIniRaw(std::string_view file, const char* section, const char* key, const char* def,
                      char* buffer, std::size_t size);
// The raw value as a string, cut to bufferSize - 1 characters (bufferSize is at
// most kIniBufferSize). Returns `out`.
std::string& GetIniString(std::string& out, std::string_view file, const char* section,
                          const char* key, const char* def,
                          std::size_t bufferSize = kIniBufferSize);
