#pragma once
// Where the token pictures lie in the caps textures, and the animation file
// that tells the game so ("CapsAnimation.dat").
//
// Token atlases ("Caps.png", "Caps_d.png", "Caps_l.tga"): 1024 x 1024, one row
// of 128 x 128 cells per animation record (rows 0..6 the seven colours, row 7
// steel), eight frames per row: frame 0 is the token at rest, frames 1..7 a
// glint sweeping over it while its inner glow swells and settles. The track
// rests on frame 0 and then plays the sweep once. Frame 0 is also the picture
// a shattering token breaks into.
//
// Memory atlases ("MemCaps1..3.tga" and their "_l" lights): 512 x 512, three
// rows of 168 x 168 cells, one row per kind (kinds 20..22, 23..25, 26..28).
// A picture card (kinds 20..27) has three frames: frame 0 fully open, 1 and 2
// turned ever further away; its track (2 1 0) turns it towards the player as
// its glow level rises from 2 to 4. The card back (kind 28) has the frames
// "flat" and "turned away"; its track (0 1) follows glow levels 0 and 1.
//
// "Chain.png" (256 x 128): the single chain [0, 92) x [0, 92), the double chain
// [92, 184) x [0, 92), one loose link [184, 212) x [0, 28) and a spark
// [188, 252) x [32, 96), where the chain pass and the chain effects read them.
#include <string>
#include <vector>

namespace gen {

struct PixelRect {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // left, top, right, bottom (exclusive)
    int Width() const { return x1 - x0; }
    int Height() const { return y1 - y0; }
};

// One block of the animation file.
struct CapsRecordLayout {
    int textureWidth = 0, textureHeight = 0;
    std::vector<PixelRect> frames;
    std::vector<int> track;
    std::string comment;  // what the record shows, written above the block
};

constexpr int kCapsRecordCount = 17;
constexpr int kTokenRecords = 8;  // seven colours and steel
constexpr int kTokenAtlasSize = 1024;
constexpr int kTokenCell = 128;
constexpr int kTokenFrames = 8;
constexpr int kMemoryAtlasSize = 512;
constexpr int kMemoryCell = 168;
constexpr int kMemoryAtlases = 3;
constexpr int kCardFrames = 3;
constexpr int kBackFrames = 2;
constexpr int kBackRecord = 16;

constexpr int kChainWidth = 256, kChainHeight = 128;
constexpr PixelRect kSingleChainRect{0, 0, 92, 92};
constexpr PixelRect kDoubleChainRect{92, 0, 184, 92};
constexpr PixelRect kLinkRect{184, 0, 212, 28};
constexpr PixelRect kSparkRect{188, 32, 252, 96};
constexpr int kCursorLightSize = 128;

// The 17 records in file order.
std::vector<CapsRecordLayout> CapsRecords();
// Memory atlas (0..2) and row of a memory record (8..16).
int MemoryAtlasOf(int record);
int MemoryRowOf(int record);

// The text of "CapsAnimation.dat".
std::string CapsAnimationText(const std::vector<CapsRecordLayout>& records);

}  // namespace gen
