#pragma once
// The layout of the quest field, read once at start-up from "Skin.cfg": the
// board's place and cell size, the decorated frame around it, the sand box and
// its effects (section "FieldQuest"), and the values of the sections
// "PanelQuest", "Tutorial" and "Map" that the screens read. Every key has a
// default, so a missing file or key gives the built-in layout.
//
// Section "FieldQuest" (y up; frame rectangles in board units from the board
// origin, i.e. the top-left corner of cell (0, 0)):
//   Origin "x y z"                 "-194.5 340.5 50"   board origin
//   CellSize "w h"                 "83 83"
//   Depth "z"                      "50"                 depth of the field's effects
//   CapSize "s"                    "39"                 half size of a drawn cap
//   FrameCount "n"                 "1"                  frame elements (0..22)
//   Frame%dRect "x y w h"          element 0: "-14 14 692 692", others "0 0 0 0"
//   Frame%dUV "u0 v0 u1 v1"        "0 0 1 1"            texture rectangle
//   Frame%dTexture "t"             "1"                  0 frame picture, 1 background
//   Frame%dColor "r g b a"         "255 255 255 255"
//   Frame%dMethod "m"              "0"                  0 normal, 1 add, 2 multiply, 3 screen
//   SandboxColumns "n"             "16"
//   SandboxPos "x y z"             "-300 310 45"        top-left corner of the sand box
//   SandboxSize "w h"              "80 600"
//   and the Sandbox* keys of the dune effect (defaults in QuestFieldLayout.cpp).
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/PlayFieldStore.h"

// One key of the path that sand grains follow out of the box.
struct CSandPathKey {
    float Start[3] = {0.0f, 0.0f, 0.0f};
    float End[3] = {0.0f, 0.0f, 0.0f};
    float Duration = 0.0f;
};

class CQuestFieldLayout {
public:
    static constexpr int32_t kMaxFrameElements = 22;
    static constexpr int32_t kMaxSandPathKeys = 39;
    // Far more bar elements than fit the sand box; a count beyond it only costs time.
    static constexpr int32_t kMaxFrenzyBarCount = 1024;

    // The built-in layout (the defaults of every key).
    CQuestFieldLayout();
    // Reads every key of the four sections of the skin file.
    void Load(std::string_view skinPath);

    // ---- FieldQuest: board ----
    float BaseOrigin[3] = {};
    float CellWidth = 0.0f;
    float CellHeight = 0.0f;
    float Depth = 0.0f;
    float TokenSize = 0.0f;

    // ---- FieldQuest: frame (the board-frame store's elements) ----
    std::vector<CFrameRect> FrameRects;
    std::vector<CFrameTexCoord> FrameUVs;  // 4 per element: TL, TR, BR, BL
    std::vector<int32_t> FrameTextures;
    std::vector<uint32_t> FrameColours;    // ARGB
    std::vector<int32_t> FrameMethods;

    // ---- FieldQuest: sand box ----
    int32_t SandColumns = 0;
    float SandRect[5] = {};  // x, y (top-left corner), z, width, height

    // The dune effect's values.
    float SandboxFrontShift[3] = {};   // "SandboxFrontShift" "-9 -4" (y negated; third not read)
    uint32_t SandboxGlassColour = 0;  // "SandboxGlassColor" "108 200 247 255"
    float SandInGravity = 0.0f;          // "SandboxSandInGravity" "5"
    float SandOutGravity = 0.0f;         // "SandboxSandOutGravity" "20"
    float SandPathSpeed = 0.0f;          // "SandboxSandPathSpeed" "32"
    // "SandboxSandPathCount" "2", "SandboxSandPathPoint%d" "0 0" (y negated): key i
    // runs from the previous point (the first from 0, 0, 0) to point i and lasts
    // its length / path speed.
    std::vector<CSandPathKey> SandPath;
    uint32_t SandColour = 0;          // "SandboxSandColor" "160 144 80 255"
    float SandAlpha = 0.0f;              // its alpha / 255
    float DustSpeed = 0.0f;              // "SandboxDustSpeed" "80"
    float HalfDustSpeed = 0.0f;
    float DustSize = 0.0f;               // "SandboxDustSize" "8"
    float HalfDustSize = 0.0f;
    uint32_t DustColour = 0;          // "SandboxDustColor" "160 144 80 127"
    float DustAlpha = 0.0f;
    uint32_t FrenzyBarColour = 0;     // "SandboxFrenzyBarColor" "1 221 255 255", alpha byte 0
    float FrenzyBarAlpha = 0.0f;
    float FrenzyBarShift[2] = {};      // "SandboxFrenzyBarShift" "14 2"
    float FrenzyBarElementSize[2] = {};  // "SandboxFrenzyBarElementSize" "32 32"
    int32_t FrenzyBarCount = 0;       // "SandboxFrenzyBarCount" "19"
    float FrenzyBarPostTime = 0.0f;      // "SandboxFrenzyBarPostTime" "0.25"

    // ---- PanelQuest ----
    float GlobalAngle = 0.0f;            // radians, "0.237374247"
    float ArrowCenter[2] = {};         // "0 -25"
    float ArrowShadowCenter[2] = {};   // "-2 -27"
    float Saturation = 0.0f;             // "1"
    // 0..255 per component, already pulled towards their lightness by Saturation.
    float GreenRgb[3] = {};            // "0 255 0"
    float YellowRgb[3] = {};           // "255 255 0"
    float RedRgb[3] = {};              // "255 0 0"
    int32_t AlphaByte = 0;            // floor(Alpha * 255), Alpha "0.25"
    float GreenEnd = 0.0f;               // "0.25"
    float YellowEnd = 0.0f;              // "0.1"
    float RedEnd = 0.0f;                 // "0.08"

    // ---- Tutorial (y of every pair negated, so it points up) ----
    float ArrowWinPrefX = 0.0f;          // "394"
    float ArrowWinSize[2] = {};        // "512 160"
    float ArrowUpShift[2] = {};        // "7 -45"
    float ArrowDownShift[2] = {};      // "7 -19"
    float ClickHerePoint[2] = {};      // "160 106"
    float ClickHereA = 0.0f;             // "16"
    float ClickHereW = 0.0f;             // "6"
    float SwapThesePoint[2] = {};      // "160 106"

    // ---- Map (y negated) ----
    float FlagShift[2] = {};           // "11 -10"
    float ShadowShift[2] = {};         // "9 32"

private:
    void LoadField(std::string_view path);
    void LoadFrame(std::string_view path);
    void LoadSandbox(std::string_view path);
    void LoadPanel(std::string_view path);
    void LoadTutorialAndMap(std::string_view path);
};
