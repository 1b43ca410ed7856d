#pragma once
// The progress decorations of a stage backdrop: one slot per level won in the
// stage, each a gem, a ray and a flare that light up in turn, and a burst of
// rainbow streaks around the newest one right after a win. Built once and used
// by every stage backdrop, which supplies its counts, its section of
// "Background.cfg" and what happens when the stage is complete (its final
// element, held as the extra rays and flares after the last slot).
#include <cstdint>
#include <string>
#include <vector>

#include "engine/SharedPtr.h"
#include "engine/Vector3.h"

class CSoundBank;
class CSpriteLayer;
class CSpriteQuad;
class CTexture;
enum class ESound : int;

// What differs between the stage backdrops.
struct CStageSettings {
    int32_t MaxCount = 5;    // levels of the stage; SetStage clamps into 0..MaxCount
    int32_t ExtraSlots = 1;  // rays, flares and slots of the final element
    int32_t GemPass = 1;     // sprite pass of the gems
    int32_t FlareKey = -1;   // draw-order key of the flares
    bool SpinTimesPi = true; // "GemFlareW" is given in turns of pi a second
    // Defaults of the element keys (every index alike).
    const char* Gem = "280 474 56 56";
    const char* GemT = "2 802 58 858";
    const char* Ray = "306 488 192 44";
    const char* RayT = "526 880 718 924";
    const char* Flare = "313 496 174";
    const char* FlareColour = "255 125 16 255";
};

class CStageElements {
public:
    enum SlotState : int32_t { kIdle = 0, kFlareGrowing = 1, kGemLit = 2, kRayLit = 3 };
    // Blend of the rays by "RaysMethod".
    static int32_t RaysBlend(const std::string& method);

    explicit CStageElements(const CStageSettings& settings);
    ~CStageElements();

    void Attach(CSharedPtr<CSpriteLayer> layer, CSharedPtr<CTexture> flare,
                CSharedPtr<CTexture> spark);
    void SetPicture(CSharedPtr<CTexture> picture) { Picture = picture; }
    void SetSoundBank(CSharedPtr<CSoundBank> bank) { SoundBank = bank; }
    // The element keys, the times and the rainbow keys of the section.
    void LoadParams(const std::string& file, const char* section);

    struct Change {
        bool Added = false;      // slots were created
        bool ReachedMax = false; // ... and the stage is complete
    };
    // Keeps the clamped count and creates or retires slots to match it. The
    // caller adds its final element when the stage became complete, then calls
    // CelebrateIfWon.
    Change SetStage(int32_t count, int32_t flag);
    // The win sample after a change that added slots with flag 0.
    void CelebrateIfWon(const Change& change);
    // The slot machine and the streaks; true in the frame in which the last
    // slot of a complete stage finished (the final element starts then).
    bool Update(float dt);
    void Start() { StreakTimer = 0.0f; }
    // Every element and streak leaves the layer.
    void Release();
    void PlaySample(ESound sound) const;
    // A final element that is one more flare after the last slot: made unlit
    // at a quarter of its size when the stage becomes complete, grown and lit
    // with its sample once the last slot has finished (false when there is
    // none to light).
    void AddFinalFlare();
    bool LightFinalFlare(ESound sound);

    int32_t GetCount() const { return Count; }
    int32_t GetMaxCount() const { return Settings.MaxCount; }
    int32_t& SlotStateAt(int32_t i) { return States[static_cast<size_t>(i)]; }
    float& SlotTimerAt(int32_t i) { return Timers[static_cast<size_t>(i)]; }

    // Element parameters (centred positions, depth 0, before the offset).
    struct Rect {
        float X = 0, Y = 0, W = 0, H = 0;
        float U0 = 0, V0 = 0, U1 = 0, V1 = 0;
        float Angle = 0;
    };
    struct FlareSpec {
        float X = 0, Y = 0, Size = 0;
        uint32_t Colour = 0;
    };
    std::vector<Rect> Gems, Rays;
    std::vector<FlareSpec> Flares;
    uint32_t RaysColour = 0;
    int32_t RaysMode = 1;
    float NewFlareTime = 0.25f, NewGemTime = 0.5f, NewRayTime = 0.4f;
    float FlareSpin = 0.0f; // radians a second
    float RainbowTime = 2.0f, RainbowW = 1.0f, RainbowT = 0.1f, RainbowLife = 0.5f;
    float RainbowSize[2] = {256.0f, 12.0f};
    CVector3 Offset;

    // Sprites made from the parameters (not yet in the layer).
    CSharedPtr<CSpriteQuad> MakeRay(size_t i) const;
    CSharedPtr<CSpriteQuad> MakeFlare(size_t i) const;

    std::vector<CSharedPtr<CSpriteQuad>> GemSprites, RaySprites, FlareSprites, Streaks;

private:
    CSharedPtr<CSpriteQuad> MakeGem(size_t i) const;
    void SpawnStreak();
    void FadeStreaks();

    CStageSettings Settings;
    CSharedPtr<CSpriteLayer> Layer;
    CSharedPtr<CTexture> FlareTexture, SparkTexture, Picture;
    CSharedPtr<CSoundBank> SoundBank;
    std::vector<int32_t> States;
    std::vector<float> Timers;
    int32_t Count = 0;
    int32_t Celebrate = 1;
    float StreakTimer = 0.0f;
};
