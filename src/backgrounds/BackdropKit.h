#pragma once
// What every backdrop shares: the drawing space of "Background.cfg" positions,
// textures shared through the device's registry, checked configuration reads,
// sprites that cope with a texture that failed to load, and the two-stage
// masked draw from the shared buffers (the Museum's dust, the menu's sky).
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "engine/AmbientClock.h"
#include "engine/SharedPtr.h"
#include "platform/gpu/Gpu.h"

class CRenderDevice;
class CVertexBuffer;
class CIndexBuffer;
class CSpriteLayer;
class CSpriteQuad;
class CTexture;

namespace backdrop {

constexpr float kScreenWidth = 1024.0f;
constexpr float kScreenHeight = 768.0f;
constexpr float kPi = 3.14159265f;
constexpr float kTwoPi = 6.28318531f;
// Every backdrop draws at this depth, shifted by half a pixel so that texels
// land on pixels.
constexpr float kOffsetX = -0.5f;
constexpr float kOffsetY = 0.5f;
constexpr float kDepth = 999.0f;
// The 1024 x 1024 pictures of the stage backdrops: the scene fills the top
// three quarters, the pieces of its decorations lie below.
constexpr float kPictureTexels = 1024.0f;
constexpr float kSceneV = 0.75f;
// Sprite draw-order keys (larger first) and passes.
constexpr int32_t kPictureKey = 100;
constexpr int32_t kFlareRaysKey = -10;
constexpr int32_t kPassBehind = 0;
constexpr int32_t kPassFront = 1;

// Screen pixels (origin top left, y down) to the centred, y-up space.
inline float CentredX(float x) {
    return x - 0.5f * kScreenWidth;
}
inline float CentredY(float y) {
    return 0.5f * kScreenHeight - y;
}

// A numbered key of the configuration: "Gem" and 3 give "Gem3".
inline std::string KeyOf(const char* key, int i) {
    return key + std::to_string(i);
}

// The candidate formats of the mask pictures, in order of preference.
std::vector<uint32_t> MaskFormats();

// How a texture is loaded when it is not registered yet.
enum class Loader { Plain, AnyFormat, WithAlphaOneBit, WithAlpha };

// The registered texture of that name, else the file loaded and registered
// under it. A failure is logged with the file and leaves the handle empty.
CSharedPtr<CTexture> ShareOrLoad(CRenderDevice& device, const std::string& name,
                                 const std::string& path, Loader loader);
// One texture of a backdrop: its registry name, its file below the pictures
// folder, how it is loaded and the handle it fills.
struct TextureSlot {
    const char* name;
    std::string file;
    Loader loader;
    CSharedPtr<CTexture>* handle;
};
// ShareOrLoad of every slot, each tried even after a failure; true when every
// handle got its texture.
bool LoadEach(CRenderDevice& device, const std::string& folder,
              const std::vector<TextureSlot>& slots);
// Unregisters each slot's name that is registered and empties its handle.
void Unload(CRenderDevice* device, const std::vector<TextureSlot>& slots);

// Configuration reads whose values size arrays or divide: a value outside
// [low, high] (or no number) is replaced by the default, with a warning in
// the object log naming file, section and key.
int32_t ReadCount(const std::string& file, const char* section, const char* key, const char* def,
                  int32_t low, int32_t high);
// The warning of an unusable value: a line saying so, then file, line, key,
// value and reason.
void WarnDefault(const std::string& file, const char* section, const char* key,
                 const std::string& value, const char* reason, const char* def);
// A period or duration that something is divided by: must be above zero.
float ReadPeriod(const std::string& file, const char* section, const char* key, const char* def);
// The spin, in radians a second, of a time per turn that may be negative (the
// other way round) but not zero.
float ReadSpin(const std::string& file, const char* section, const char* key, const char* def);

// A sprite of the backdrop: blended, depth test and write as given. A sprite
// without a texture is made hidden: it is kept (its owner still indexes it)
// but never drawn.
CSharedPtr<CSpriteQuad> MakeSprite(float x, float y, float z, float w, float h, uint32_t colour,
                                   CSharedPtr<CTexture> texture);
// The slowly turning fan of light over a scene, centred at (x, y): screen
// blend, depth test without depth writes, drawn last of the scene. The sprite
// layer does not spin it (SpinOn is off, SpinSpeed keeps its spin): the
// backdrop turns it with TurnFlareRays on each release of its ambient clock.
CSharedPtr<CSpriteQuad> MakeFlareRays(float x, float y, const float size[2], uint32_t colour,
                                      float spin, CSharedPtr<CTexture> texture);
// Turns the fan of light (when there is one) by its spin over `seconds`, the
// angle kept within one turn.
void TurnFlareRays(const CSharedPtr<CSpriteQuad>& rays, float seconds);
// The full-screen picture (the top three quarters of its texture), without
// depth test or writes, drawn first of the blended sprites.
CSharedPtr<CSpriteQuad> MakePicture(CSharedPtr<CTexture> texture, int32_t blended, int32_t mode);
// Adds to the layer (when there is one).
void Show(const CSharedPtr<CSpriteLayer>& layer, const CSharedPtr<CSpriteQuad>& sprite);
void Hide(const CSharedPtr<CSpriteLayer>& layer, CSharedPtr<CSpriteQuad>& sprite);
// Fades the sprite out over `life` seconds and lets the layer drop it; a
// hidden sprite (which the layer never advances) leaves the layer at once.
void Retire(const CSharedPtr<CSpriteLayer>& layer, const CSharedPtr<CSpriteQuad>& sprite,
            float life);

// Prepares the sprite layer (its opaque sprites are drawn then), draws the
// pass behind, then `body` (the backdrop's own geometry), then the pass in
// front; the body's result. Without a layer only the body is drawn.
int32_t DrawBetweenPasses(const CSharedPtr<CSpriteLayer>& layer,
                          const std::function<int32_t()>& body);

// Copies quads into the shared buffers (append locks) with the indices moved
// to where the vertices landed. Returns the device error of a failed lock.
gpu::Result Upload(CVertexBuffer& vb, CIndexBuffer& ib, const std::vector<gpu::Vertex>& vertices,
                   const std::vector<uint16_t>& indices, uint32_t* firstVertex,
                   uint32_t* firstIndex);
// Stage 0 picks its texture (colour and alpha), stage 1 multiplies by a mask;
// blended over what lies below, no depth writes. Returns the depth-write
// state the device had, for RestoreMaskedStates.
uint32_t SetMaskedStates(CRenderDevice& device);
void RestoreMaskedStates(CRenderDevice& device, uint32_t depthWrite);

} // namespace backdrop
