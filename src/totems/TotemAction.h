#pragma once
// One request of the totem panel to the play field: strike a cell, blow up a
// disc of caps, repaint a cap, grant a reward, launch a flying bonus, or note
// that a power was launched. Thirteen 32-bit words, copied by value; each kind
// fills only the words it uses (see the field's totem pass).
#include <cstdint>
#include <cstring>

struct CTotemAction {
    enum Kind : int32_t {
        kGreen = 0, kYellow = 1, kRed = 2, kBlue = 3, kOrange = 4, kWhite = 5, kViolet = 6,
        kLaunched = 1000
    };
    static constexpr int kWords = 13;

    int32_t kind = 0;    // w0: colour index 0..6 of the emitting totem, or 1000
    int32_t column = 0;  // w1: board column (Yellow: tier; Violet: bonus factory parameter)
    int32_t row = 0;     // w2: board row (Yellow: level; Violet: z order of the bonus)
    int32_t value = 0;   // w3: kind-specific
    union {
        float spread;        // w4, Blue: 1.0 when the neighbours are struck too
        float fromPoint[3];  // w4..w6, Violet: where the bonus starts
    };
    float toPoint[3] = {0.0f, 0.0f, 0.0f};  // w7..w9, Violet: where it lands
    float flightTime = 0.0f;  // w10, Violet: seconds of the flight
    int32_t bonusType = 0;    // w11, Violet: bonus type 2..7
    int32_t value2 = 0;       // w12: Orange tier; White paint colour

    CTotemAction() : fromPoint{0.0f, 0.0f, 0.0f} {}

    // Raw word i (0..12) as the record stores it; 0 outside.
    int32_t Word(int i) const {
        if (i < 0 || i >= kWords)
            return 0;
        int32_t w;
        std::memcpy(&w, reinterpret_cast<const char*>(this) + i * 4, 4);
        return w;
    }
    // Word i read as a float.
    float FloatWord(int i) const {
        const int32_t w = Word(i);
        float f;
        std::memcpy(&f, &w, 4);
        return f;
    }
};

static_assert(sizeof(CTotemAction) == 52, "the action record is thirteen 32-bit words");
