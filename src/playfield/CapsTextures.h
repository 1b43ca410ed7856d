#pragma once
// The caps texture list: its order, its files and the two groups of which only
// one is resident on the device at a time.
namespace caps {

enum TextureIndex {
    kCapsTexture = 0,       // "Caps.png": normal tokens (kinds 0..19, 100 and above)
    kDarkTexture = 1,       // "Caps_d.png": dark variants (kinds 50..99)
    kLightTexture = 2,      // "Caps_l.tga": light atlas of normal and dark tokens
    kMemoryTexture = 3,     // "MemCaps1..3.tga": memory pictures, three kinds each
    kMemoryLightTexture = 6,  // "MemCaps1..3_l.tga"
    kTextureCount = 9,
};

// Texture modes: which group is resident (kModeNone: neither).
enum TextureMode { kModeNotLoaded = -1, kModeNormal = 0, kModeMemory = 1, kModeNone = 2 };

// File names of the list, in list order.
extern const char* const kTextureFiles[kTextureCount];
extern const char* const kCursorLightFile;  // "CursorAdd.bmp"
extern const char* const kChainFile;        // "Chain.png"

// The list indexes of a texture group: [first, end).
inline int GroupBegin(int mode) { return mode == kModeNormal ? 0 : kMemoryTexture; }
inline int GroupEnd(int mode) { return mode == kModeNormal ? kMemoryTexture : kTextureCount; }

} // namespace caps
