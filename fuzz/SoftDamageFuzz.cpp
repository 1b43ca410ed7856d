// The software device driven through the device API as the game drives it,
// by a sequence of calls the input chooses: draws of quads and of loose
// triangles under any blend, alpha test, depth test and cull, textures made,
// locked and written, clears of the whole buffer and of rectangles, viewports,
// transforms (one of them putting vertices behind the eye), hidden
// rectangles, resets to another size, gamma ramps and presents. The device
// runs in the damage check: each present draws the frame by damage and whole
// and aborts where the two pictures differ by a bit, which is the finding
// this target looks for (beside what the sanitizers find on the way).
// A small back buffer, a few tiles across, keeps each input quick; each
// input gets a device of its own, so that a finding replays alone.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/gpu/Gpu.h"
#include "platform/os/Window.h"

namespace {

using namespace gpu;

// Back-buffer sizes: whole tiles and tiles cut at the right and the bottom.
constexpr uint32_t kSizes[][2] = {{96, 64}, {64, 96}, {100, 70}, {33, 47}};
constexpr uint32_t kVertices = 64;
constexpr uint32_t kIndices = 96;
constexpr size_t kMaxTextures = 4;
constexpr int kMaxCalls = 100; // a frame's
constexpr int kMaxFrames = 12;

class Session {
public:
    Session(os::Window* window, Api* api, FuzzedDataProvider& in) : main_(in), in_(&in) {
        PresentParams pp = Params();
        Device* d = nullptr;
        if (Failed(
                api->CreateDevice(0, kDeviceHal, window, kCreateHardwareVertexProcessing, &pp, &d)))
            return;
        dev_ = d;
        width_ = pp.backBufferWidth;
        height_ = pp.backBufferHeight;
        if (Failed(dev_->CreateVertexBuffer(kVertices * sizeof(Vertex),
                                            Usage::WriteOnly | Usage::Dynamic, kFvfGame,
                                            Pool::Managed, &vb_)) ||
            Failed(dev_->CreateIndexBuffer(kIndices * 2, Usage::WriteOnly | Usage::Dynamic,
                                           Fmt::Index16, Pool::Managed, &ib_)))
            return;
        Bind();
    }
    ~Session() {
        for (Texture* t : textures_)
            t->Release();
        if (vb_)
            vb_->Release();
        if (ib_)
            ib_->Release();
        if (dev_)
            dev_->Release();
    }

    // Frames of calls, each drawn a few times over as a game draws a still
    // scene, now and then with a call between them that changes a little:
    // only a frame like the last leaves tiles to keep.
    void Run() {
        if (!vb_ || !ib_)
            return;
        for (int frames = 0; frames < kMaxFrames && main_.remaining_bytes() > 0; ++frames) {
            const std::vector<uint8_t> frame =
                main_.ConsumeBytes<uint8_t>(main_.ConsumeIntegralInRange<size_t>(1, 512));
            for (int again = main_.ConsumeIntegralInRange(0, 3); again >= 0; --again) {
                FuzzedDataProvider calls(frame.data(), frame.size());
                in_ = &calls;
                for (int n = 0; n < kMaxCalls && calls.remaining_bytes() > 0; ++n)
                    Call();
                in_ = &main_;
                dev_->Present();
                if (main_.ConsumeIntegralInRange(0, 3) == 0)
                    Call();
            }
        }
    }

private:
    PresentParams Params() {
        const auto& size = kSizes[in_->ConsumeIntegralInRange<size_t>(0, std::size(kSizes) - 1)];
        PresentParams pp;
        pp.backBufferWidth = size[0];
        pp.backBufferHeight = size[1];
        pp.backBufferFormat = in_->ConsumeBool() ? Fmt::A8R8G8B8 : Fmt::X8R8G8B8;
        pp.windowed = 1;
        return pp;
    }

    void Call() {
        switch (in_->ConsumeIntegralInRange(0, 19)) {
        case 0:
        case 1:
        case 2:
            return Present();
        case 3:
        case 4:
        case 5:
        case 6:
            return DrawQuads();
        case 7:
            return DrawTriangles();
        case 8:
        case 9:
            return RenderState();
        case 10:
            return StageState();
        case 11:
            return BindTexture();
        case 12:
            return MakeTexture();
        case 13:
            return WriteTexture();
        case 14:
            return Clear();
        case 15:
            return SetViewport();
        case 16:
            return Project(in_->ConsumeIntegralInRange(0, 3));
        case 17:
            return Hide();
        case 18:
            return in_->ConsumeBool() ? Reset() : Gamma();
        default:
            if (in_->ConsumeBool())
                dev_->BeginScene();
            else
                dev_->EndScene();
        }
    }

    void Present() { dev_->Present(); }

    // A coordinate in pixels around the back buffer, on a quarter-pixel
    // grid, now and then a value no draw should make.
    float Coordinate(uint32_t side) {
        if (in_->ConsumeIntegralInRange(0, 63) == 0) {
            static const float kWild[] = {NAN, INFINITY, -1e9f, 1e9f};
            return kWild[in_->ConsumeIntegralInRange<size_t>(0, std::size(kWild) - 1)];
        }
        const int32_t reach = static_cast<int32_t>(side) + 16;
        return static_cast<float>(in_->ConsumeIntegralInRange<int32_t>(-16 * 4, reach * 4)) / 4.0f;
    }

    float Depth() { return static_cast<float>(in_->ConsumeIntegralInRange(0, 8)) / 8.0f; }

    uint32_t Color() {
        static const uint32_t kColors[] = {0xFFFFFFFFu, 0x80FF0000u, 0x00000000u,
                                           0xFF00FF00u, 0x400000FFu, 0xFF808080u};
        if (in_->ConsumeBool())
            return kColors[in_->ConsumeIntegralInRange<size_t>(0, std::size(kColors) - 1)];
        return in_->ConsumeIntegral<uint32_t>();
    }

    float Uv() { return static_cast<float>(in_->ConsumeIntegralInRange(-8, 24)) / 8.0f; }

    // A vertex at window pixel (x, y): the projections below put the centre
    // of the buffer at 0 and y upwards.
    Vertex At(float x, float y, float z, uint32_t color, float u, float v) {
        const float cx = x - static_cast<float>(width_) / 2,
                    cy = static_cast<float>(height_) / 2 - y;
        return Vertex{cx, cy, z, color, u, v, v, u};
    }

    // Quads as the game draws its pictures: four corners, two triangles on
    // a shared edge, now and then one of them turned round.
    void DrawQuads() {
        const uint32_t n = 1 + in_->ConsumeIntegralInRange<uint32_t>(0, 7);
        uint8_t* vp = nullptr;
        uint8_t* ip = nullptr;
        if (Failed(vb_->Lock(0, n * 4 * sizeof(Vertex), &vp, Lock::Discard)))
            return;
        if (Failed(ib_->Lock(0, n * 6 * 2, &ip, Lock::Discard))) {
            vb_->Unlock();
            return;
        }
        for (uint32_t q = 0; q < n; ++q) {
            const float x0 = Coordinate(width_), y0 = Coordinate(height_);
            const float x1 = in_->ConsumeBool()
                                 ? Coordinate(width_)
                                 : x0 + static_cast<float>(in_->ConsumeIntegralInRange(1, 40));
            const float y1 = in_->ConsumeBool()
                                 ? Coordinate(height_)
                                 : y0 + static_cast<float>(in_->ConsumeIntegralInRange(1, 40));
            const float z = Depth();
            const uint32_t color = Color();
            const bool shaded = in_->ConsumeBool();
            const float u0 = Uv(), v0 = Uv(), u1 = in_->ConsumeBool() ? 1.0f : Uv(),
                        v1 = in_->ConsumeBool() ? 1.0f : Uv();
            // Half a pixel off the grid, as the game's quads lie.
            const Vertex corners[4] = {
                At(x0 - 0.5f, y0 - 0.5f, z, color, u0, v0),
                At(x1 - 0.5f, y0 - 0.5f, z, shaded ? Color() : color, u1, v0),
                At(x1 - 0.5f, y1 - 0.5f, z, color, u1, v1),
                At(x0 - 0.5f, y1 - 0.5f, z, shaded ? Color() : color, u0, v1)};
            std::memcpy(vp + q * 4 * sizeof(Vertex), corners, sizeof(corners));
            static const uint16_t kOrders[][6] = {
                {0, 1, 2, 0, 2, 3}, {0, 2, 1, 0, 3, 2}, {0, 1, 3, 1, 2, 3}, {0, 1, 2, 2, 3, 0}};
            const auto& order =
                kOrders[in_->ConsumeIntegralInRange<size_t>(0, std::size(kOrders) - 1)];
            for (int k = 0; k < 6; ++k) {
                const auto index = static_cast<uint16_t>(q * 4 + order[k]);
                std::memcpy(ip + (q * 6 + k) * 2, &index, 2);
            }
        }
        vb_->Unlock();
        ib_->Unlock();
        dev_->DrawIndexedPrimitive(Prim::TriangleList, 0, n * 4, 0, n * 2);
    }

    // Loose triangles, as a list or a strip, from vertices anywhere.
    void DrawTriangles() {
        const uint32_t count = 3 + in_->ConsumeIntegralInRange<uint32_t>(0, 12);
        uint8_t* vp = nullptr;
        uint8_t* ip = nullptr;
        if (Failed(vb_->Lock(0, count * sizeof(Vertex), &vp, Lock::Discard)))
            return;
        if (Failed(ib_->Lock(0, kIndices * 2, &ip, Lock::Discard))) {
            vb_->Unlock();
            return;
        }
        for (uint32_t i = 0; i < count; ++i) {
            const Vertex v =
                At(Coordinate(width_), Coordinate(height_), Depth(), Color(), Uv(), Uv());
            std::memcpy(vp + i * sizeof(Vertex), &v, sizeof(v));
        }
        const bool strip = in_->ConsumeBool();
        const uint32_t prims = 1 + in_->ConsumeIntegralInRange<uint32_t>(0, 9);
        const uint32_t indices = strip ? prims + 2 : prims * 3;
        for (uint32_t k = 0; k < indices; ++k) {
            const auto index =
                static_cast<uint16_t>(in_->ConsumeIntegralInRange<uint32_t>(0, count - 1));
            std::memcpy(ip + k * 2, &index, 2);
        }
        vb_->Unlock();
        ib_->Unlock();
        dev_->DrawIndexedPrimitive(strip ? Prim::TriangleStrip : Prim::TriangleList, 0, count, 0,
                                   prims);
    }

    void RenderState() {
        static const uint32_t kStates[] = {Rs::ZEnable,          Rs::ZWriteEnable,  Rs::ZFunc,
                                           Rs::AlphaBlendEnable, Rs::SrcBlend,      Rs::DestBlend,
                                           Rs::AlphaTestEnable,  Rs::AlphaFunc,     Rs::AlphaRef,
                                           Rs::CullMode,         Rs::TextureFactor, Rs::ShadeMode};
        const uint32_t state =
            kStates[in_->ConsumeIntegralInRange<size_t>(0, std::size(kStates) - 1)];
        uint32_t value = 0;
        switch (state) {
        case Rs::ZFunc:
        case Rs::AlphaFunc:
            value = in_->ConsumeIntegralInRange<uint32_t>(Cmp::Never, Cmp::Always);
            break;
        case Rs::SrcBlend:
        case Rs::DestBlend:
            value = in_->ConsumeIntegralInRange<uint32_t>(Blend::Zero, Blend::InvDestColor);
            break;
        case Rs::CullMode:
            value = in_->ConsumeIntegralInRange<uint32_t>(Cull::None, Cull::CCW);
            break;
        case Rs::AlphaRef:
            value = in_->ConsumeIntegral<uint8_t>();
            break;
        case Rs::TextureFactor:
            value = Color();
            break;
        case Rs::ShadeMode:
            value = in_->ConsumeIntegralInRange<uint32_t>(1, 2);
            break;
        default:
            value = in_->ConsumeBool() ? 1 : 0;
        }
        dev_->SetRenderState(state, value);
    }

    void StageState() {
        const uint32_t stage = in_->ConsumeIntegralInRange<uint32_t>(0, 2);
        switch (in_->ConsumeIntegralInRange(0, 4)) {
        case 0:
        case 1: {
            const uint32_t base = in_->ConsumeBool() ? Tss::ColorOp : Tss::AlphaOp;
            dev_->SetTextureStageState(
                stage, base, in_->ConsumeIntegralInRange<uint32_t>(Top::Disable, Top::Add));
            dev_->SetTextureStageState(
                stage, base + 1, in_->ConsumeIntegralInRange<uint32_t>(Ta::Diffuse, Ta::TFactor));
            dev_->SetTextureStageState(
                stage, base + 2, in_->ConsumeIntegralInRange<uint32_t>(Ta::Diffuse, Ta::TFactor));
            return;
        }
        case 2:
            dev_->SetTextureStageState(
                stage, in_->ConsumeBool() ? Tss::AddressU : Tss::AddressV,
                in_->ConsumeIntegralInRange<uint32_t>(Tadr::Wrap, Tadr::Clamp));
            return;
        case 3: {
            static const uint32_t kFilters[] = {Tss::MagFilter, Tss::MinFilter, Tss::MipFilter};
            dev_->SetTextureStageState(stage, kFilters[in_->ConsumeIntegralInRange<size_t>(0, 2)],
                                       in_->ConsumeIntegralInRange<uint32_t>(Tf::None, Tf::Linear));
            return;
        }
        default:
            dev_->SetTextureStageState(stage, Tss::TexCoordIndex,
                                       in_->ConsumeIntegralInRange<uint32_t>(0, 1));
        }
    }

    Texture* Pick() {
        if (textures_.empty())
            return nullptr;
        return textures_[in_->ConsumeIntegralInRange<size_t>(0, textures_.size() - 1)];
    }

    void BindTexture() {
        const uint32_t stage = in_->ConsumeIntegralInRange<uint32_t>(0, 2);
        dev_->SetTexture(stage, in_->ConsumeIntegralInRange(0, 4) == 0 ? nullptr : Pick());
    }

    // A texture of a few sizes and formats, filled with blocks of opaque,
    // clear and half see-through texels; or one of them goes.
    void MakeTexture() {
        if (textures_.size() == kMaxTextures ||
            (!textures_.empty() && in_->ConsumeIntegralInRange(0, 3) == 0)) {
            const size_t at = in_->ConsumeIntegralInRange<size_t>(0, textures_.size() - 1);
            textures_[at]->Release();
            textures_.erase(textures_.begin() + static_cast<std::ptrdiff_t>(at));
            return;
        }
        static const uint32_t kFormats[] = {Fmt::A8R8G8B8, Fmt::X8R8G8B8, Fmt::R5G6B5,
                                            Fmt::A4R4G4B4, Fmt::A1R5G5B5};
        const uint32_t w = 1u << in_->ConsumeIntegralInRange(0, 6);
        const uint32_t h = 1u << in_->ConsumeIntegralInRange(0, 6);
        const uint32_t format =
            kFormats[in_->ConsumeIntegralInRange<size_t>(0, std::size(kFormats) - 1)];
        Texture* t = nullptr;
        if (Failed(dev_->CreateTexture(w, h, in_->ConsumeIntegralInRange<uint32_t>(1, 3), 0, format,
                                       Pool::Managed, &t)))
            return;
        textures_.push_back(t);
        for (uint32_t level = 0; level < t->GetLevelCount(); ++level)
            Fill(t, level, nullptr);
    }

    // Writes texels of one level of a texture, the whole level or a part;
    // or locks it to read only, which changes nothing.
    void WriteTexture() {
        Texture* t = Pick();
        if (!t)
            return;
        const uint32_t level = in_->ConsumeIntegralInRange<uint32_t>(0, t->GetLevelCount() - 1);
        SurfaceDesc desc;
        if (Failed(t->GetLevelDesc(level, &desc)))
            return;
        if (in_->ConsumeIntegralInRange(0, 4) == 0) {
            LockedRect lr;
            if (!Failed(t->LockRect(level, &lr, nullptr, Lock::ReadOnly)))
                t->UnlockRect(level);
            return;
        }
        Rect r{0, 0, static_cast<int32_t>(desc.width), static_cast<int32_t>(desc.height)};
        if (in_->ConsumeBool()) {
            r.left = in_->ConsumeIntegralInRange<int32_t>(0, r.right - 1);
            r.top = in_->ConsumeIntegralInRange<int32_t>(0, r.bottom - 1);
            r.right = in_->ConsumeIntegralInRange<int32_t>(r.left + 1, r.right);
            r.bottom = in_->ConsumeIntegralInRange<int32_t>(r.top + 1, r.bottom);
        }
        Fill(t, level, &r);
    }

    void Fill(Texture* t, uint32_t level, const Rect* rect) {
        SurfaceDesc desc;
        LockedRect lr;
        if (Failed(t->GetLevelDesc(level, &desc)) || Failed(t->LockRect(level, &lr, rect, 0)))
            return;
        const uint32_t w = rect ? static_cast<uint32_t>(rect->right - rect->left) : desc.width;
        const uint32_t h = rect ? static_cast<uint32_t>(rect->bottom - rect->top) : desc.height;
        const uint32_t bytes = desc.format == Fmt::A8R8G8B8 || desc.format == Fmt::X8R8G8B8 ? 4 : 2;
        uint32_t seed = in_->ConsumeIntegral<uint32_t>() | 1u;
        const uint32_t run = 1 + in_->ConsumeIntegralInRange<uint32_t>(0, 15);
        const uint32_t look = in_->ConsumeIntegralInRange<uint32_t>(0, 2);
        uint32_t texel = 0;
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x) {
                if ((x + y * w) % run == 0) {
                    seed ^= seed << 13, seed ^= seed >> 17, seed ^= seed << 5;
                    // Opaque, clear or anything, in blocks.
                    texel = look == 0   ? (seed | 0xFF00FF00u)
                            : look == 1 ? (seed & 0x00FFFFFFu)
                                        : seed;
                    if ((seed >> 8) % 3 == 0)
                        texel &= 0x00FFFFFFu;
                }
                uint8_t* p = static_cast<uint8_t*>(lr.bits) +
                             static_cast<size_t>(y) * static_cast<uint32_t>(lr.pitch) + x * bytes;
                std::memcpy(p, &texel, bytes);
            }
        t->UnlockRect(level);
    }

    // The whole buffer, or a few rectangles of it (some reaching past it).
    void Clear() {
        static const uint32_t kFlags[] = {ClearFlag::Target, ClearFlag::ZBuffer,
                                          ClearFlag::Target | ClearFlag::ZBuffer};
        const uint32_t flags =
            kFlags[in_->ConsumeIntegralInRange<size_t>(0, std::size(kFlags) - 1)];
        const uint32_t color = Color();
        const float z = in_->ConsumeBool() ? 1.0f : Depth();
        Rect rects[3];
        const uint32_t count = in_->ConsumeIntegralInRange<uint32_t>(0, 3);
        for (uint32_t i = 0; i < count; ++i) {
            auto edge = [&](uint32_t side) {
                return in_->ConsumeIntegralInRange<int32_t>(-8, static_cast<int32_t>(side) + 8);
            };
            rects[i] = {edge(width_), edge(height_), edge(width_), edge(height_)};
        }
        dev_->Clear(count, count ? rects : nullptr, flags, color, z, 0);
    }

    void SetViewport() {
        Viewport vp{0, 0, width_, height_, 0.0f, 1.0f};
        if (in_->ConsumeIntegralInRange(0, 2) != 0) {
            vp.x = in_->ConsumeIntegralInRange<uint32_t>(0, width_ - 1);
            vp.y = in_->ConsumeIntegralInRange<uint32_t>(0, height_ - 1);
            vp.width = in_->ConsumeIntegralInRange<uint32_t>(1, width_ - vp.x);
            vp.height = in_->ConsumeIntegralInRange<uint32_t>(1, height_ - vp.y);
        }
        if (in_->ConsumeBool()) {
            vp.minZ = Depth();
            vp.maxZ = std::max(vp.minZ, Depth());
        }
        dev_->SetViewport(&vp);
    }

    // The game's flat projection of the whole buffer with depth 0..1 from z,
    // moved or scaled; or a perspective one, whose vertices of negative z lie
    // behind the eye.
    void Project(int kind) {
        Matrix world = Matrix::Identity(), proj{};
        const float w = static_cast<float>(width_), h = static_cast<float>(height_);
        proj.m[0][0] = 2.0f / w;
        proj.m[1][1] = 2.0f / h;
        proj.m[2][2] = 1.0f;
        proj.m[3][3] = 1.0f;
        if (kind == 1) {
            world.m[3][0] = static_cast<float>(in_->ConsumeIntegralInRange(-32, 32)) / 4.0f;
            world.m[3][1] = static_cast<float>(in_->ConsumeIntegralInRange(-32, 32)) / 4.0f;
        } else if (kind == 2) {
            world.m[0][0] = world.m[1][1] =
                static_cast<float>(in_->ConsumeIntegralInRange(1, 16)) / 8.0f;
            world.m[1][0] = static_cast<float>(in_->ConsumeIntegralInRange(-4, 4)) / 8.0f;
        } else if (kind == 3) {
            // w = z + 0.5: depth 0 at the buffer's scale and a half, nearer
            // grows, below -0.5 behind the eye.
            world.m[3][2] = -0.5f + static_cast<float>(in_->ConsumeIntegralInRange(0, 8)) / 8.0f;
            proj.m[0][0] = 1.0f / w;
            proj.m[1][1] = 1.0f / h;
            proj.m[2][3] = 1.0f;
            proj.m[3][3] = 0.5f;
        }
        const Matrix id = Matrix::Identity();
        dev_->SetTransform(Ts::World, &world);
        dev_->SetTransform(Ts::View, &id);
        dev_->SetTransform(Ts::Projection, &proj);
    }

    void Hide() {
        Rect rects[2];
        const uint32_t count = in_->ConsumeIntegralInRange<uint32_t>(0, 2);
        for (uint32_t i = 0; i < count; ++i) {
            const int32_t x = in_->ConsumeIntegralInRange<int32_t>(0, static_cast<int32_t>(width_));
            const int32_t y =
                in_->ConsumeIntegralInRange<int32_t>(0, static_cast<int32_t>(height_));
            rects[i] = {x, y, x + in_->ConsumeIntegralInRange<int32_t>(0, 48),
                        y + in_->ConsumeIntegralInRange<int32_t>(0, 48)};
        }
        dev_->SetHiddenRects(count ? rects : nullptr, count);
    }

    void Reset() {
        PresentParams pp = Params();
        if (Failed(dev_->Reset(&pp)))
            return;
        width_ = pp.backBufferWidth;
        height_ = pp.backBufferHeight;
        Bind(); // a reset puts the device's states back to their defaults
    }

    // The buffers and the flat projection, as the game sets them up.
    void Bind() {
        dev_->SetVertexShader(kFvfGame);
        dev_->SetStreamSource(0, vb_, sizeof(Vertex));
        dev_->SetIndices(ib_, 0);
        dev_->SetRenderState(Rs::Lighting, 0);
        Project(0);
    }

    void Gamma() {
        GammaRamp ramp;
        const uint32_t lift = in_->ConsumeIntegralInRange<uint32_t>(0, 64);
        for (uint32_t i = 0; i < 256; ++i)
            ramp.red[i] = ramp.green[i] = ramp.blue[i] =
                static_cast<uint16_t>(std::min<uint32_t>(65535, i * 257 + lift * 256));
        dev_->SetGammaRamp(0, &ramp);
    }

    FuzzedDataProvider& main_;
    FuzzedDataProvider* in_; // the calls read from here
    Device* dev_ = nullptr;
    VertexBuffer* vb_ = nullptr;
    IndexBuffer* ib_ = nullptr;
    std::vector<Texture*> textures_;
    uint32_t width_ = 0, height_ = 0;
};

os::Window* window = nullptr;
Api* api = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Headless, shown through the window's surface, one thread, every frame
    // drawn both ways; a difference aborts.
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    // The window's surface as plain memory, not through a GL renderer: the
    // presents cost a copy, not a driver's work.
    setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 1);
    setenv("GLORVANE_DAMAGE_CHECK", "1", 1);
    setenv("GLORVANE_SOFT_THREADS", "1", 1);
    std::string error;
    window = os::Window::Create("damage fuzz", 96, 64, &error);
    if (!window) {
        std::fprintf(stderr, "no window: %s\n", error.c_str());
        std::abort();
    }
    api = CreateSoftApi(true);
    if (!api)
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    Session session(window, api, in);
    session.Run();
    return 0;
}
