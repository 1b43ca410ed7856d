#pragma once
// Checked reads of one section of "Totems.cfg". Every key has a default text
// that reads exactly like the same text in the file. A value that does not
// hold what the key needs (too few numbers, a number that is not finite, a
// period or speed that is not above 0, a count or colour channel out of its
// range) is replaced by the default, and a warning naming the file, the
// section, the key and the reason goes to the object log.
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/Vector3.h"

class CTotemConfig {
public:
    // Screen pixels of the 1024 x 768 picture (y down) to the virtual screen.
    static constexpr float kScreenX = 512.5f;
    static constexpr float kScreenY = 384.5f;

    CTotemConfig(std::string_view file, const char* section) : File(file), Section(section) {}

    // n numbers into out[0..n-1].
    void Floats(const char* key, const char* def, float* out, int n) const;
    float Float(const char* key, const char* def) const;
    // A time or speed: above 0.
    float Positive(const char* key, const char* def) const;
    // A wait that may be skipped: 0 or more.
    float NonNegative(const char* key, const char* def) const;
    int32_t Int(const char* key, const char* def, int32_t low, int32_t high) const;
    // "red green blue alpha", each 0..255 (fractions dropped), packed as ARGB.
    uint32_t Colour(const char* key, const char* def) const;
    // Three numbers x y z in screen pixels, as a virtual-screen point.
    CVector3 Point(const char* key, const char* def, float offsetX = kScreenX) const;
    // "left top z width height" in screen pixels: the centre and the size.
    void Rect(const char* key, const char* def, CVector3& centre, float size[2]) const;

    std::string Raw(const char* key, const char* def) const;
    void Warn(const char* key, const char* reason) const;

    const std::string File;
    const char* const Section;
};

// "Name%d" with the number, for indexed keys.
std::string IndexedKey(const char* pattern, int32_t i);
std::string IndexedKey(const char* pattern, int32_t i, int32_t j);
