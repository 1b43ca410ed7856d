#include "SoundRecipes.h"

#include <algorithm>
#include <cmath>

#include "SynthFx.h"

namespace gen::synth {

namespace {

// ---- Little helpers that keep the recipes short ----

float Hz(float midi) {
    return MidiHz(midi);
}

Note N(float hz, float hold, float vel, uint32_t seed = 1) {
    Note n;
    n.hz = hz;
    n.hold = hold;
    n.vel = vel;
    n.seed = seed;
    return n;
}

// A sound under construction: layers placed at times in seconds.
struct Layers {
    Mono out;
    Layers& Add(const Mono& m, float at, float gain = 1.0f) {
        MixInto(out, m, Samples(at), gain);
        return *this;
    }
    Mono Take() { return std::move(out); }
};

// Warms and thickens a loud layer without hard edges.
Mono Drive(Mono m, float drive) {
    for (float& s : m)
        s = SoftClip(s * drive) / SoftClip(drive);
    return m;
}

// A chime arpeggio over MIDI notes, `step` seconds apart.
void Arpeggio(Layers& l, const std::vector<float>& notes, float at, float step, float vel,
              float ring, float gainStep = 0.0f) {
    float g = 1.0f;
    for (size_t i = 0; i < notes.size(); ++i) {
        l.Add(GlassChime(N(Hz(notes[i]), 0, vel, 11 + static_cast<uint32_t>(i)), ring),
              at + step * i, g);
        g += gainStep;
    }
}

void MarimbaRun(Layers& l, const std::vector<float>& notes, float at, float step, float vel) {
    for (size_t i = 0; i < notes.size(); ++i)
        l.Add(Marimba(N(Hz(notes[i]), step * 2, vel, 31 + static_cast<uint32_t>(i))),
              at + step * i);
}

// ---- Interface ----

Mono MouseOver() {
    Layers l;
    l.Add(WoodBlock(1850.0f, 0.7f, 0.045f), 0.0f);
    l.Add(GlassChime(N(Hz(100), 0, 0.12f, 3), 0.08f), 0.002f);
    return l.Take();
}

Mono Click() {
    Layers l;
    l.Add(WoodBlock(1080.0f, 1.0f, 0.085f), 0.0f);
    l.Add(StoneClick(760.0f, 0.6f, 5), 0.0f);
    return l.Take();
}

Mono Upgrade() {
    Layers l;
    MarimbaRun(l, {72, 76, 79, 84}, 0.0f, 0.07f, 0.85f);
    Arpeggio(l, {88, 91, 96}, 0.28f, 0.06f, 0.5f, 0.9f);
    l.Add(Whoosh(0.5f, 900.0f, 5000.0f, 1.5f, 21), 0.05f, 0.25f);
    return l.Take();
}

Mono Hint() {
    Layers l;
    l.Add(GlassChime(N(Hz(79), 0, 0.8f, 4), 1.0f), 0.0f);
    l.Add(GlassChime(N(Hz(86), 0, 0.65f, 5), 1.1f), 0.13f);
    return l.Take();
}

Mono Select() {
    Layers l;
    l.Add(StoneClick(880.0f, 1.0f, 7), 0.0f);
    l.Add(GlassChime(N(Hz(98), 0, 0.2f, 8), 0.18f), 0.004f);
    return l.Take();
}

Mono SelectSteel() {
    Layers l;
    l.Add(StoneClick(620.0f, 0.7f, 9), 0.0f);
    l.Add(Bell(N(1240.0f, 0, 0.7f), 2.76f, 3.0f, 0.35f), 0.0f);
    l.Add(Bell(N(1890.0f, 0, 0.35f), 1.41f, 2.0f, 0.22f), 0.003f);
    return l.Take();
}

Mono Wrong() {
    Layers l;
    l.Add(WoodBlock(415.0f, 1.0f, 0.16f), 0.0f);
    l.Add(WoodBlock(311.0f, 0.95f, 0.22f), 0.12f);
    l.Add(Thud(0.2f, 160.0f, 110.0f), 0.12f, 0.3f);
    return l.Take();
}

Mono Drop() {
    Layers l;
    l.Add(Thud(0.28f, 150.0f, 70.0f), 0.0f, 0.9f);
    l.Add(StoneClick(640.0f, 0.7f, 12), 0.0f);
    l.Add(WoodBlock(860.0f, 0.35f, 0.06f), 0.05f);
    l.Add(Debris(0.25f, 5, 800.0f, 2500.0f, 13), 0.02f, 0.3f);
    return l.Take();
}

Mono BonusClick() {
    Layers l;
    l.Add(Whoosh(0.13f, 2200.0f, 6500.0f, 1.4f, 14), 0.0f, 0.7f);
    l.Add(WoodBlock(1500.0f, 0.6f, 0.05f), 0.07f);
    return l.Take();
}

Mono GoodClick() {
    Layers l;
    l.Add(WoodBlock(1300.0f, 0.8f, 0.07f), 0.0f);
    l.Add(GlassChime(N(Hz(91), 0, 0.55f, 15), 0.5f), 0.03f);
    l.Add(GlassChime(N(Hz(96), 0, 0.4f, 16), 0.45f), 0.09f);
    return l.Take();
}

Mono Warning() {
    Layers l;
    for (int i = 0; i < 3; ++i) {
        l.Add(WoodBlock(880.0f, 0.9f, 0.1f), 0.24f * i);
        l.Add(WoodBlock(659.0f, 0.8f, 0.12f), 0.24f * i + 0.12f);
    }
    l.Add(Marimba(N(Hz(57), 0.7f, 0.5f, 17)), 0.0f, 0.6f);
    return l.Take();
}

// ---- Gems ----

Mono GemOut() {
    Layers l;
    l.Add(Glide(0.3f, 880.0f, 2300.0f), 0.0f, 0.25f);
    l.Add(GlassChime(N(Hz(93), 0, 0.8f, 18), 0.55f), 0.05f);
    l.Add(Whoosh(0.35f, 1500.0f, 6000.0f, 2.0f, 19), 0.0f, 0.35f);
    return l.Take();
}

Mono GemIn() {
    Layers l;
    l.Add(GlassChime(N(Hz(88), 0, 0.8f, 20), 0.7f), 0.0f);
    l.Add(GlassChime(N(Hz(95), 0, 0.55f, 21), 0.6f), 0.06f);
    l.Add(Bell(N(Hz(100), 0, 0.15f), 3.5f, 1.5f, 0.5f), 0.08f);
    return l.Take();
}

Mono GemBar() {
    Layers l;
    l.Add(GlassChime(N(Hz(84), 0, 1.0f, 22), 0.85f), 0.0f);
    l.Add(Coin(3100.0f, 0.5f, 23), 0.0f);
    l.Add(GlassChime(N(Hz(96), 0, 0.25f, 24), 0.4f), 0.02f);
    return l.Take();
}

Mono BonusDrop() {
    Layers l;
    l.Add(Thud(0.3f, 190.0f, 90.0f), 0.0f);
    l.Add(WoodBlock(720.0f, 0.6f, 0.09f), 0.0f);
    l.Add(GlassChime(N(Hz(88), 0, 0.45f, 25), 0.6f), 0.03f);
    l.Add(GlassChime(N(Hz(95), 0, 0.3f, 26), 0.5f), 0.1f);
    return l.Take();
}

Mono BonusStar() {
    Layers l;
    l.Add(GlassChime(N(Hz(100), 0, 0.9f, 27), 0.8f), 0.0f);
    l.Add(GlassChime(N(Hz(107), 0, 0.55f, 28), 0.6f), 0.07f);
    l.Add(Bell(N(Hz(103), 0, 0.3f), 3.9f, 2.0f, 0.4f), 0.14f);
    l.Add(Whoosh(0.4f, 4000.0f, 9000.0f, 2.0f, 29), 0.0f, 0.15f);
    return l.Take();
}

// ---- Match discharges: eight really different variants ----

// Pentatonic notes for the gem splinters of the discharges.
constexpr float kSplinters[] = {88, 91, 93, 95, 98, 100, 103, 105};

Mono TerminatorVariant(int v) {
    Rng rng(1000u + static_cast<uint32_t>(v) * 77u);
    const float length = 0.48f + 0.05f * static_cast<float>((v * 3) % 8);
    const float buzz = 52.0f * std::pow(1.13f, static_cast<float>(v));
    const float arcHigh = 2600.0f + 450.0f * static_cast<float>((v * 5) % 8);
    const float arcLow = 160.0f + 40.0f * static_cast<float>(v % 4);
    Layers l;
    // Odd variants discharge upwards, even ones fall.
    if (v % 2 == 0)
        l.Add(Zap(length, buzz, arcHigh, arcLow, 300u + v), 0.0f);
    else
        l.Add(Zap(length, buzz, arcLow * 2.0f, arcHigh * 0.7f, 300u + v), 0.0f);
    const int splinters = 3 + v % 3;
    for (int i = 0; i < splinters; ++i) {
        const float note = kSplinters[rng.Int(8)];
        l.Add(
            GlassChime(N(Hz(note), 0, rng.Range(0.35f, 0.6f), rng.Next()), rng.Range(0.25f, 0.5f)),
            rng.Range(0.0f, 0.3f));
    }
    l.Add(Whoosh(0.3f, 6000.0f, 1500.0f + 300.0f * v, 1.0f, 400u + v), 0.0f, 0.3f);
    return l.Take();
}

template <int V> Mono Terminator() {
    return TerminatorVariant(V);
}

Mono TerminatorShort() {
    Layers l;
    l.Add(Zap(0.26f, 70.0f, 3000.0f, 400.0f, 501), 0.0f);
    l.Add(GlassChime(N(Hz(93), 0, 0.45f, 502), 0.3f), 0.02f);
    l.Add(GlassChime(N(Hz(98), 0, 0.35f, 503), 0.25f), 0.08f);
    return l.Take();
}

Mono TerminatorSteel() {
    Layers l;
    l.Add(Zap(0.45f, 64.0f, 3200.0f, 250.0f, 504), 0.0f, 0.8f);
    l.Add(Bell(N(610.0f, 0, 0.9f), 2.76f, 4.0f, 0.9f), 0.0f);
    l.Add(Bell(N(925.0f, 0, 0.5f), 1.41f, 3.0f, 0.6f), 0.004f);
    l.Add(StoneClick(500.0f, 0.6f, 505), 0.0f);
    return l.Take();
}

// ---- Chains ----

Mono Links(int links, float spread, uint32_t seed) {
    Rng rng(seed);
    Layers l;
    for (int i = 0; i < links; ++i) {
        const float hz = rng.Range(1700.0f, 2700.0f);
        l.Add(Bell(N(hz, 0, rng.Range(0.4f, 0.9f)), 3.1f, 2.5f, rng.Range(0.1f, 0.2f)),
              spread * rng.Uniform());
        l.Add(StoneClick(rng.Range(900.0f, 1400.0f), 0.25f, rng.Next()), spread * rng.Uniform());
    }
    return l.Take();
}

Mono ChainOut() {
    Layers l;
    l.Add(Links(8, 0.45f, 601), 0.0f);
    l.Add(Bell(N(720.0f, 0, 0.8f), 2.4f, 3.0f, 0.45f), 0.0f);
    l.Add(Crackle(0.4f, 60.0f, 602), 0.0f, 0.4f);
    return l.Take();
}

Mono ChainOutShort() {
    Layers l;
    l.Add(Links(4, 0.18f, 603), 0.0f);
    l.Add(Bell(N(760.0f, 0, 0.7f), 2.4f, 3.0f, 0.3f), 0.0f);
    return l.Take();
}

// ---- Explosions ----

Mono Boom(float length, float low, uint32_t seed) {
    Layers l;
    l.Add(Drive(Thud(length * 0.65f, low * 2.4f, low), 2.0f), 0.0f);
    l.Add(Rumble(length, 2800.0f, 110.0f, seed), 0.0f, 0.9f);
    l.Add(Debris(length, 55, 300.0f, 2600.0f, seed + 1), 0.05f, 0.55f);
    return l.Take();
}

Mono Explode() {
    return Boom(1.6f, 38.0f, 701);
}

Mono Explode2() {
    Layers l;
    l.Add(Drive(Thud(0.8f, 115.0f, 46.0f), 1.6f), 0.0f);
    l.Add(Rumble(1.1f, 1800.0f, 150.0f, 702), 0.0f, 0.6f);
    l.Add(Debris(1.4f, 90, 400.0f, 3500.0f, 703), 0.0f, 0.9f);
    return l.Take();
}

Mono Tnt() {
    Layers l;
    l.Add(Crackle(0.38f, 260.0f, 704), 0.0f, 0.5f);
    l.Add(Whoosh(0.38f, 3000.0f, 7000.0f, 1.0f, 705), 0.0f, 0.4f);
    l.Add(Boom(1.7f, 34.0f, 706), 0.34f);
    return l.Take();
}

Mono Flash() {
    Layers l;
    l.Add(Zap(0.6f, 140.0f, 4200.0f, 300.0f, 707), 0.0f);
    l.Add(Crackle(0.9f, 420.0f, 708), 0.05f, 0.8f);
    l.Add(Rumble(1.3f, 4500.0f, 180.0f, 709), 0.05f, 0.7f);
    l.Add(Whoosh(0.5f, 7000.0f, 1200.0f, 0.8f, 710), 0.0f, 0.4f);
    return l.Take();
}

// ---- Time, score, helpers ----

Mono Tick() {
    return ClockTick(2900.0f, 1.0f, 801);
}

Mono TickLoop() {
    // One second of a clock, tick and tock, silent at both ends so that the
    // loop joins without a seam.
    Mono out(static_cast<size_t>(Samples(1.0)), 0.0f);
    MixInto(out, ClockTick(2900.0f, 1.0f, 802), Samples(0.02), 1.0f);
    MixInto(out, ClockTick(2350.0f, 0.85f, 803), Samples(0.52), 1.0f);
    return out;
}

Mono Clock() {
    Layers l;
    for (int i = 0; i < 4; ++i)
        l.Add(ClockTick(i % 2 == 0 ? 2900.0f : 2350.0f, 0.9f, 810u + i), 0.17f * i);
    l.Add(Bell(N(Hz(91), 0, 0.7f), 2.0f, 1.2f, 1.0f), 0.7f);
    l.Add(GlassChime(N(Hz(91), 0, 0.5f, 815), 0.9f), 0.7f);
    return l.Take();
}

Mono TimeAdd() {
    Layers l;
    l.Add(Glide(0.35f, 600.0f, 1800.0f), 0.0f, 0.35f);
    l.Add(ClockTick(2900.0f, 0.6f, 820), 0.0f);
    l.Add(GlassChime(N(Hz(84), 0, 0.75f, 821), 0.7f), 0.2f);
    l.Add(GlassChime(N(Hz(91), 0, 0.65f, 822), 0.8f), 0.3f);
    return l.Take();
}

Mono Multiplier() {
    Layers l;
    MarimbaRun(l, {79, 83, 86}, 0.0f, 0.05f, 0.7f);
    l.Add(CoinShower(1.2f, 28, 3200.0f, 830), 0.08f);
    l.Add(GlassChime(N(Hz(91), 0, 0.6f, 831), 0.9f), 0.15f);
    return l.Take();
}

Mono AdviserGet() {
    Layers l;
    MarimbaRun(l, {79, 83, 86, 91}, 0.0f, 0.06f, 0.8f);
    l.Add(Bell(N(Hz(98), 0, 0.3f), 3.5f, 1.5f, 0.6f), 0.2f);
    l.Add(Whoosh(0.45f, 2000.0f, 7000.0f, 2.5f, 840), 0.0f, 0.2f);
    return l.Take();
}

Mono AdviserAct() {
    Layers l;
    l.Add(Pad(N(Hz(62), 0.4f, 0.6f, 841)), 0.0f);
    l.Add(Pad(N(Hz(69), 0.4f, 0.5f, 842)), 0.0f);
    l.Add(PanFlute(N(Hz(86), 0.18f, 0.7f, 843)), 0.05f);
    l.Add(PanFlute(N(Hz(81), 0.35f, 0.6f, 844)), 0.25f);
    return l.Take();
}

Mono Solidarity() {
    Layers l;
    Arpeggio(l, {72, 76, 79, 84, 88}, 0.0f, 0.035f, 0.6f, 1.4f);
    l.Add(Pad(N(Hz(60), 0.5f, 0.5f, 850)), 0.0f);
    l.Add(Pad(N(Hz(67), 0.5f, 0.4f, 851)), 0.0f);
    return l.Take();
}

Mono SolidarityRedir() {
    Layers l;
    l.Add(Whoosh(0.3f, 800.0f, 3500.0f, 2.0f, 852), 0.0f, 0.8f);
    l.Add(GlassChime(N(Hz(91), 0, 0.7f, 853), 0.45f), 0.2f);
    return l.Take();
}

Mono ScoreFrenzy() {
    Layers l;
    MarimbaRun(l, {72, 74, 76, 79, 81, 84, 86, 88, 91, 93, 96}, 0.0f, 0.045f, 0.8f);
    l.Add(CoinShower(1.3f, 30, 3400.0f, 860), 0.2f, 0.7f);
    Arpeggio(l, {84, 88, 91, 96}, 0.5f, 0.02f, 0.55f, 1.1f);
    return l.Take();
}

// ---- Totems: one colour, one element ----

Mono TotemEye() {
    Layers l;
    l.Add(Bell(N(98.0f, 0, 1.0f), 1.41f, 4.0f, 2.2f), 0.0f);
    l.Add(Rumble(1.2f, 400.0f, 80.0f, 901), 0.0f, 0.5f);
    l.Add(Pad(N(Hz(43), 0.6f, 0.7f, 902)), 0.0f, 0.8f);
    l.Add(GlassChime(N(Hz(91), 0, 0.2f, 903), 1.0f), 0.3f);
    return l.Take();
}

Mono TotemGreen1() {
    Layers l;
    l.Add(Whoosh(0.6f, 1500.0f, 5000.0f, 0.8f, 910), 0.0f, 0.6f);
    MarimbaRun(l, {62, 66, 69, 74}, 0.05f, 0.07f, 0.85f);
    return l.Take();
}

Mono TotemGreen2() {
    Layers l;
    for (int i = 0; i < 4; ++i)
        l.Add(Shaker(0.5f, 0.12f, 911u + i), 0.09f * i);
    l.Add(Pluck(N(Hz(62), 0.8f, 0.8f, 915), 0.5f), 0.0f);
    l.Add(Pluck(N(Hz(69), 0.7f, 0.7f, 916), 0.5f), 0.08f);
    l.Add(Pluck(N(Hz(74), 0.6f, 0.7f, 917), 0.5f), 0.16f);
    l.Add(Marimba(N(Hz(78), 0.4f, 0.6f, 918)), 0.24f);
    return l.Take();
}

Mono TotemYellow1() {
    Layers l;
    l.Add(Horn(N(Hz(64), 0.4f, 0.8f, 920)), 0.0f);
    l.Add(Horn(N(Hz(68), 0.4f, 0.7f, 921)), 0.0f);
    l.Add(Horn(N(Hz(71), 0.4f, 0.7f, 922)), 0.0f);
    Arpeggio(l, {88, 92, 95}, 0.1f, 0.05f, 0.4f, 0.9f);
    return l.Take();
}

Mono TotemYellow2() {
    Layers l;
    l.Add(CoinShower(0.9f, 20, 3600.0f, 923), 0.0f);
    l.Add(GlassChime(N(Hz(95), 0, 0.6f, 924), 0.8f), 0.0f);
    l.Add(GlassChime(N(Hz(100), 0, 0.4f, 925), 0.7f), 0.08f);
    return l.Take();
}

Mono TotemRed1() {
    Layers l;
    l.Add(Whoosh(0.7f, 300.0f, 2500.0f, 0.7f, 930), 0.0f);
    l.Add(Crackle(0.8f, 140.0f, 931), 0.0f, 0.6f);
    l.Add(Thud(0.35f, 120.0f, 60.0f), 0.0f, 0.5f);
    return l.Take();
}

Mono TotemRed2() {
    Layers l;
    l.Add(Drive(Thud(0.6f, 140.0f, 50.0f), 1.5f), 0.0f);
    l.Add(Rumble(0.9f, 2200.0f, 200.0f, 932), 0.0f, 0.6f);
    l.Add(Crackle(0.9f, 220.0f, 933), 0.0f, 0.7f);
    return l.Take();
}

Mono TotemBlue1() {
    Layers l;
    Rng rng(940);
    for (int i = 0; i < 11; ++i)
        l.Add(Bubble(rng.Range(500.0f, 1500.0f), rng.Range(0.4f, 1.0f)), rng.Range(0.0f, 0.6f));
    l.Add(Whoosh(0.6f, 600.0f, 1400.0f, 1.0f, 941), 0.0f, 0.3f);
    return l.Take();
}

Mono TotemBlue2() {
    Layers l;
    l.Add(Whoosh(0.5f, 4500.0f, 1200.0f, 0.6f, 942), 0.0f);
    l.Add(Thud(0.25f, 130.0f, 70.0f), 0.0f, 0.5f);
    Rng rng(943);
    for (int i = 0; i < 7; ++i)
        l.Add(Bubble(rng.Range(700.0f, 1800.0f), rng.Range(0.3f, 0.8f)), rng.Range(0.1f, 0.5f));
    return l.Take();
}

Mono TotemBlue3() {
    Layers l;
    Arpeggio(l, {95, 100, 104, 107}, 0.0f, 0.045f, 0.55f, 1.0f);
    l.Add(Bell(N(Hz(102), 0, 0.3f), 4.1f, 2.0f, 0.6f), 0.1f);
    l.Add(Whoosh(0.6f, 5000.0f, 9000.0f, 3.0f, 944), 0.0f, 0.2f);
    return l.Take();
}

Mono TotemOrange() {
    Layers l;
    l.Add(Rumble(1.1f, 900.0f, 90.0f, 950), 0.0f);
    l.Add(Debris(1.1f, 35, 250.0f, 1400.0f, 951), 0.05f, 0.8f);
    l.Add(StoneClick(420.0f, 1.0f, 952), 0.0f);
    l.Add(StoneClick(330.0f, 0.8f, 953), 0.18f);
    return l.Take();
}

Mono TotemWhite1() {
    Layers l;
    l.Add(Whoosh(1.0f, 600.0f, 3000.0f, 3.0f, 960), 0.0f);
    l.Add(Whoosh(1.0f, 900.0f, 4200.0f, 3.0f, 961), 0.08f, 0.6f);
    l.Add(GlassChime(N(Hz(96), 0, 0.5f, 962), 1.0f), 0.45f);
    return l.Take();
}

Mono TotemWhite2() {
    Layers l;
    l.Add(Bell(N(Hz(72), 0, 0.9f), 2.0f, 2.0f, 1.6f), 0.0f);
    l.Add(GlassChime(N(Hz(84), 0, 0.6f, 963), 1.5f), 0.0f);
    l.Add(GlassChime(N(Hz(91), 0, 0.35f, 964), 1.2f), 0.05f);
    return l.Take();
}

Mono TotemViolet() {
    Layers l;
    const float cluster[] = {62, 65, 69, 72};
    for (int i = 0; i < 4; ++i)
        l.Add(Pad(N(Hz(cluster[i]), 0.5f, 0.5f, 970u + i)), 0.06f * i);
    l.Add(Bell(N(Hz(50), 0, 0.8f), 1.5f, 3.0f, 1.4f), 0.0f);
    l.Add(Bell(N(Hz(86), 0, 0.3f), 3.7f, 2.0f, 0.9f), 0.25f);
    Mono m = l.Take();
    // A slow shimmer over the whole sound.
    Phase trem;
    for (float& s : m)
        s *= 0.8f + 0.2f * Sin(trem.Step(7.0f));
    return m;
}

// ---- Combos: a chime ladder rising one pentatonic step per chain ----

constexpr float kComboNotes[] = {76, 79, 81, 84, 86, 88, 91, 93};

Mono ComboVariant(int chain) {
    const int i = chain - 2;
    const float hz = Hz(kComboNotes[i]);
    Layers l;
    l.Add(GlassChime(N(hz, 0, 1.0f, 1100u + i), 0.7f + 0.08f * i), 0.0f);
    // Longer chains shine brighter: the octave above, then a sparkle two above.
    l.Add(GlassChime(N(hz * 2.0f, 0, 0.15f + 0.04f * i, 1120u + i), 0.4f + 0.05f * i), 0.0f);
    if (i >= 3)
        l.Add(Bell(N(hz * 4.0f, 0, 0.08f + 0.02f * i), 2.0f, 1.0f, 0.5f), 0.06f);
    l.Add(Whoosh(0.25f + 0.03f * i, 3000.0f, 8000.0f, 2.0f, 1140u + i), 0.0f, 0.05f + 0.02f * i);
    return l.Take();
}

template <int C> Mono Combo() {
    return ComboVariant(C);
}

// ---- Lives, levels, fanfares ----

Mono LifeLost() {
    Layers l;
    l.Add(PanFlute(N(Hz(81), 0.22f, 0.8f, 1200)), 0.0f);
    l.Add(PanFlute(N(Hz(77), 0.22f, 0.75f, 1201)), 0.25f);
    l.Add(PanFlute(N(Hz(74), 0.55f, 0.7f, 1202)), 0.5f);
    l.Add(Pad(N(Hz(50), 0.8f, 0.45f, 1203)), 0.0f);
    l.Add(Pad(N(Hz(57), 0.8f, 0.35f, 1204)), 0.0f);
    return l.Take();
}

Mono LifeLostBack() {
    Layers l;
    l.Add(Glide(0.5f, 400.0f, 1200.0f), 0.0f, 0.3f);
    l.Add(PanFlute(N(Hz(74), 0.12f, 0.6f, 1205)), 0.05f);
    l.Add(PanFlute(N(Hz(81), 0.3f, 0.6f, 1206)), 0.2f);
    l.Add(GlassChime(N(Hz(93), 0, 0.35f, 1207), 0.6f), 0.3f);
    return l.Take();
}

Mono AddLife() {
    Layers l;
    MarimbaRun(l, {72, 76, 79}, 0.0f, 0.08f, 0.85f);
    Arpeggio(l, {84, 88}, 0.24f, 0.07f, 0.65f, 0.9f);
    l.Add(Bell(N(Hz(96), 0, 0.3f), 2.0f, 1.0f, 0.8f), 0.38f);
    return l.Take();
}

// A fanfare: horn lines over a struck chord, all in seconds from the start.
struct Blow {
    float at, midi, hold, vel;
};

void Horns(Layers& l, const std::vector<Blow>& blows, uint32_t seed) {
    for (const Blow& b : blows)
        l.Add(Horn(N(Hz(b.midi), b.hold, b.vel, seed++)), b.at);
}

Mono EndLevel() {
    Layers l;
    Horns(l,
          {{0.0f, 67, 0.3f, 0.7f},
           {0.0f, 71, 0.3f, 0.6f},
           {0.0f, 74, 0.3f, 0.6f},
           {0.36f, 72, 0.9f, 0.8f},
           {0.36f, 76, 0.9f, 0.7f},
           {0.36f, 79, 0.9f, 0.7f}},
          1300);
    MarimbaRun(l, {72, 76, 79, 84}, 0.36f, 0.06f, 0.7f);
    Arpeggio(l, {88, 91, 96}, 0.6f, 0.08f, 0.4f, 1.2f);
    l.Add(HandDrum(Drum::Low, 1.0f, 0.9f, 1310), 0.36f);
    return l.Take();
}

Mono NewLevel() {
    Layers l;
    const float step = 0.11f;
    Horns(l,
          {{0.0f, 72, 0.08f, 0.7f},
           {step, 72, 0.08f, 0.7f},
           {2 * step, 72, 0.08f, 0.7f},
           {3 * step, 79, 0.7f, 0.85f},
           {3 * step, 76, 0.7f, 0.6f},
           {3 * step, 84, 0.7f, 0.5f}},
          1320);
    for (int i = 0; i < 3; ++i)
        l.Add(HandDrum(Drum::Slap, 1.0f, 0.6f, 1330u + i), step * i);
    l.Add(HandDrum(Drum::Low, 1.0f, 1.0f, 1334), 3 * step);
    Arpeggio(l, {91, 96}, 3 * step + 0.1f, 0.08f, 0.4f, 1.0f);
    return l.Take();
}

Mono Bad() {
    Layers l;
    Horns(l,
          {{0.0f, 64, 0.25f, 0.7f},
           {0.3f, 63, 0.25f, 0.7f},
           {0.6f, 62, 0.8f, 0.75f},
           {0.6f, 58, 0.8f, 0.5f}},
          1340);
    l.Add(Thud(0.6f, 90.0f, 45.0f), 0.6f, 0.6f);
    l.Add(Pad(N(Hz(38), 1.0f, 0.5f, 1345)), 0.5f);
    return l.Take();
}

Mono Win() {
    Layers l;
    const float s = 0.13f;
    Horns(l,
          {{0.0f, 67, 0.09f, 0.7f},
           {s, 67, 0.09f, 0.7f},
           {2 * s, 67, 0.09f, 0.7f},
           {3 * s, 72, 0.5f, 0.85f},
           {3 * s + 0.55f, 71, 0.12f, 0.7f},
           {3 * s + 0.7f, 72, 0.12f, 0.75f},
           {3 * s + 0.85f, 76, 1.4f, 0.9f},
           {3 * s + 0.85f, 72, 1.4f, 0.6f},
           {3 * s + 0.85f, 79, 1.4f, 0.6f},
           {3 * s + 0.85f, 60, 1.4f, 0.6f}},
          1350);
    for (int i = 0; i < 8; ++i)
        l.Add(HandDrum(i % 2 ? Drum::Open : Drum::Slap, 1.0f, 0.4f + 0.06f * i, 1370u + i),
              3 * s + 0.85f - 0.35f + 0.045f * i);
    l.Add(HandDrum(Drum::Low, 1.0f, 1.0f, 1380), 3 * s + 0.85f);
    Arpeggio(l, {84, 88, 91, 96, 100}, 3 * s + 0.9f, 0.07f, 0.45f, 1.4f);
    l.Add(CoinShower(1.4f, 26, 3600.0f, 1381), 3 * s + 0.95f, 0.45f);
    l.Add(Whoosh(1.6f, 5000.0f, 9000.0f, 1.2f, 1382), 3 * s + 0.8f, 0.15f);
    return l.Take();
}

Mono Trophy() {
    Layers l;
    Horns(l,
          {{0.0f, 67, 0.14f, 0.7f},
           {0.16f, 72, 0.14f, 0.75f},
           {0.32f, 76, 0.14f, 0.8f},
           {0.48f, 79, 1.2f, 0.9f},
           {0.48f, 72, 1.2f, 0.6f},
           {0.48f, 64, 1.2f, 0.55f}},
          1400);
    l.Add(HandDrum(Drum::Low, 1.0f, 1.0f, 1410), 0.48f);
    Arpeggio(l, {91, 96, 100, 103}, 0.55f, 0.09f, 0.45f, 1.4f);
    l.Add(CoinShower(1.0f, 14, 3800.0f, 1411), 0.55f, 0.35f);
    return l.Take();
}

// ---- Backdrops ----

Mono Background() {
    Layers l;
    l.Add(Pad(N(Hz(62), 0.7f, 0.5f, 1500)), 0.0f);
    l.Add(Pad(N(Hz(66), 0.7f, 0.4f, 1501)), 0.0f);
    l.Add(Pad(N(Hz(69), 0.7f, 0.4f, 1502)), 0.0f);
    Arpeggio(l, {93, 90, 86, 81}, 0.2f, 0.12f, 0.35f, 1.2f);
    return l.Take();
}

Mono Museum() {
    Layers l;
    l.Add(Pad(N(Hz(50), 1.3f, 0.6f, 1510)), 0.0f);
    l.Add(Pad(N(Hz(57), 1.3f, 0.5f, 1511)), 0.0f);
    l.Add(Pad(N(Hz(64), 1.3f, 0.4f, 1512)), 0.0f);
    l.Add(Bell(N(Hz(38), 0, 0.6f), 1.41f, 3.0f, 2.4f), 0.0f);
    Arpeggio(l, {74, 76, 81, 86, 88, 93}, 0.3f, 0.22f, 0.45f, 1.5f);
    return l.Take();
}

Mono Flare() {
    Layers l;
    l.Add(Whoosh(1.2f, 400.0f, 4000.0f, 1.2f, 1520), 0.0f);
    l.Add(Crackle(1.0f, 80.0f, 1521), 0.1f, 0.35f);
    l.Add(Glide(0.9f, 300.0f, 1200.0f), 0.0f, 0.2f);
    Arpeggio(l, {93, 98}, 0.6f, 0.08f, 0.5f, 1.0f);
    return l.Take();
}

Mono Door() {
    Layers l;
    // Stone grinding on stone: a slow rumble with fine grit, ending in a thud.
    l.Add(Rumble(3.0f, 500.0f, 140.0f, 1530), 0.0f, 0.8f);
    l.Add(Debris(2.7f, 160, 150.0f, 900.0f, 1531), 0.1f, 0.6f);
    l.Add(Bell(N(55.0f, 0, 0.8f), 1.41f, 3.0f, 2.5f), 0.0f);
    l.Add(Drive(Thud(0.8f, 100.0f, 42.0f), 1.5f), 2.6f);
    l.Add(Debris(0.6f, 20, 300.0f, 1500.0f, 1532), 2.6f, 0.5f);
    return l.Take();
}

Mono Treasure() {
    Layers l;
    l.Add(CoinShower(2.2f, 70, 3300.0f, 1540), 0.0f, 0.8f);
    Horns(l,
          {{0.25f, 60, 1.3f, 0.6f},
           {0.25f, 67, 1.3f, 0.55f},
           {0.25f, 72, 1.3f, 0.6f},
           {0.25f, 76, 1.3f, 0.6f}},
          1541);
    Arpeggio(l, {84, 88, 91, 96, 100, 103}, 0.3f, 0.1f, 0.45f, 1.6f);
    l.Add(Whoosh(2.0f, 5000.0f, 9000.0f, 1.5f, 1550), 0.2f, 0.12f);
    return l.Take();
}

// Tuning groups for "Vol.cfg".
constexpr float kNoDuck = 0.0f;

SoundRecipe R(const char* name, Ship ship, float volume, float pan, float room, Mono (*render)(),
              float duckTime = kNoDuck, float duckVolume = 1.0f, bool loop = false) {
    return SoundRecipe{name, ship, volume, pan, duckTime, duckVolume, loop, room, render};
}

std::vector<SoundRecipe> MakeRecipes() {
    const Ship O = Ship::Ogg, W = Ship::Wav;
    std::vector<SoundRecipe> r = {
        R("MouseOver", W, 0.35f, 0.5f, 0.05f, MouseOver),
        R("Click", W, 0.6f, 0.5f, 0.08f, Click),
        R("Upgrade", O, 0.75f, 0.0f, 0.25f, Upgrade),
        R("Hint", O, 0.6f, 0.7f, 0.3f, Hint),
        R("Select", W, 0.55f, 0.7f, 0.08f, Select),
        R("SelectSteel", O, 0.55f, 0.7f, 0.1f, SelectSteel),
        R("Wrong", O, 0.6f, 0.5f, 0.1f, Wrong),
        R("Drop", O, 0.6f, 0.6f, 0.15f, Drop),
        R("BonusClick", O, 0.55f, 0.6f, 0.1f, BonusClick),
        R("GemOut", O, 0.55f, 0.7f, 0.2f, GemOut),
        R("GemIn", O, 0.55f, 0.7f, 0.25f, GemIn),
        R("GemBar", O, 0.5f, 0.7f, 0.2f, GemBar),
        R("Terminator0", O, 0.65f, 0.7f, 0.15f, Terminator<0>),
        R("Terminator1", O, 0.65f, 0.7f, 0.15f, Terminator<1>),
        R("Terminator2", O, 0.65f, 0.7f, 0.15f, Terminator<2>),
        R("Terminator3", O, 0.65f, 0.7f, 0.15f, Terminator<3>),
        R("Terminator4", O, 0.65f, 0.7f, 0.15f, Terminator<4>),
        R("Terminator5", O, 0.65f, 0.7f, 0.15f, Terminator<5>),
        R("Terminator6", O, 0.65f, 0.7f, 0.15f, Terminator<6>),
        R("Terminator7", O, 0.65f, 0.7f, 0.15f, Terminator<7>),
        R("Terminator0_s", O, 0.6f, 0.7f, 0.15f, TerminatorShort),
        R("TerminatorSteel", O, 0.65f, 0.7f, 0.15f, TerminatorSteel),
        R("ChainOut", O, 0.6f, 0.7f, 0.15f, ChainOut),
        R("ChainOut_s", O, 0.55f, 0.7f, 0.15f, ChainOutShort),
        R("Explode", O, 0.9f, 0.6f, 0.3f, Explode, 1.0f, 0.6f),
        R("Combo2", O, 0.7f, 0.0f, 0.25f, Combo<2>),
        R("Combo3", O, 0.7f, 0.0f, 0.25f, Combo<3>),
        R("Combo4", O, 0.72f, 0.0f, 0.25f, Combo<4>),
        R("Combo5", O, 0.74f, 0.0f, 0.25f, Combo<5>),
        R("Combo6", O, 0.76f, 0.0f, 0.25f, Combo<6>),
        R("Combo7", O, 0.78f, 0.0f, 0.25f, Combo<7>),
        R("Combo8", O, 0.8f, 0.0f, 0.25f, Combo<8>),
        R("Combo9", O, 0.82f, 0.0f, 0.25f, Combo<9>),
        R("BonusDrop", O, 0.6f, 0.7f, 0.15f, BonusDrop),
        R("TNT", O, 0.95f, 0.6f, 0.3f, Tnt, 1.2f, 0.5f),
        R("Flash", O, 0.85f, 0.6f, 0.3f, Flash, 0.8f, 0.6f),
        R("Clock", O, 0.7f, 0.6f, 0.15f, Clock),
        R("TimeAdd", O, 0.65f, 0.0f, 0.2f, TimeAdd),
        R("Multiplier", O, 0.7f, 0.6f, 0.2f, Multiplier),
        R("AdviserGet", O, 0.65f, 0.6f, 0.25f, AdviserGet),
        R("AdviserAct", O, 0.6f, 0.0f, 0.3f, AdviserAct),
        R("Solidarity", O, 0.7f, 0.6f, 0.3f, Solidarity),
        R("SolidarityRedir", O, 0.6f, 0.7f, 0.2f, SolidarityRedir),
        R("TotemEye", O, 0.75f, 0.5f, 0.3f, TotemEye),
        R("TotemGreen1", O, 0.7f, 0.5f, 0.25f, TotemGreen1),
        R("TotemGreen2", O, 0.7f, 0.5f, 0.25f, TotemGreen2),
        R("TotemYellow1", O, 0.65f, 0.5f, 0.25f, TotemYellow1),
        R("TotemYellow2", O, 0.65f, 0.5f, 0.2f, TotemYellow2),
        R("TotemRed1", O, 0.75f, 0.5f, 0.2f, TotemRed1),
        R("TotemRed2", O, 0.8f, 0.5f, 0.25f, TotemRed2),
        R("TotemBlue1", O, 0.65f, 0.5f, 0.25f, TotemBlue1),
        R("TotemBlue2", O, 0.7f, 0.5f, 0.25f, TotemBlue2),
        R("TotemBlue3", O, 0.6f, 0.5f, 0.3f, TotemBlue3),
        R("TotemOrange", O, 0.75f, 0.5f, 0.25f, TotemOrange),
        R("TotemWhite1", O, 0.6f, 0.5f, 0.3f, TotemWhite1),
        R("TotemWhite2", O, 0.65f, 0.5f, 0.3f, TotemWhite2),
        R("TotemViolet", O, 0.65f, 0.5f, 0.3f, TotemViolet),
        R("Explode2", O, 0.85f, 0.6f, 0.3f, Explode2, 0.8f, 0.6f),
        R("ScoreFrenzy", O, 0.75f, 0.0f, 0.25f, ScoreFrenzy, 1.5f, 0.5f),
        R("BonusStar", O, 0.6f, 0.7f, 0.25f, BonusStar),
        R("LifeLost", O, 0.75f, 0.0f, 0.3f, LifeLost, 1.5f, 0.4f),
        R("LifeLostBack", O, 0.6f, 0.0f, 0.25f, LifeLostBack),
        R("EndLevel", O, 0.85f, 0.0f, 0.3f, EndLevel, 2.0f, 0.3f),
        R("Warning", O, 0.7f, 0.0f, 0.15f, Warning),
        R("NewLevel", O, 0.85f, 0.0f, 0.3f, NewLevel, 2.0f, 0.3f),
        R("Bad", O, 0.8f, 0.0f, 0.3f, Bad, 2.0f, 0.3f),
        R("Win", O, 0.9f, 0.0f, 0.3f, Win, 3.5f, 0.2f),
        R("Tick", W, 0.55f, 0.0f, 0.0f, Tick),
        R("TickLoop", W, 0.5f, 0.0f, 0.0f, TickLoop, kNoDuck, 1.0f, true),
        R("AddLife", O, 0.75f, 0.0f, 0.25f, AddLife, 1.0f, 0.5f),
        R("GoodClick", O, 0.6f, 0.6f, 0.15f, GoodClick),
        R("Trophy", O, 0.85f, 0.0f, 0.3f, Trophy, 2.5f, 0.3f),
        R("Background", O, 0.6f, 0.0f, 0.35f, Background),
        R("Museum", O, 0.75f, 0.0f, 0.35f, Museum, 2.5f, 0.4f),
        R("Flare", O, 0.7f, 0.0f, 0.3f, Flare, 1.2f, 0.5f),
        R("Door", O, 0.85f, 0.0f, 0.3f, Door, 3.0f, 0.35f),
        R("Treasure", O, 0.85f, 0.0f, 0.3f, Treasure, 3.0f, 0.3f),
    };
    return r;
}

} // namespace

const std::vector<SoundRecipe>& SoundRecipes() {
    static const std::vector<SoundRecipe> recipes = MakeRecipes();
    return recipes;
}

} // namespace gen::synth
