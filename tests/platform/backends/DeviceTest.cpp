// Device lifecycle, states, resources and presenting of every back end that
// draws; the display API of the GL one.
#include <SDL.h>

#include <functional>
#include <utility>

#include "DeviceFixture.h"
#include "platform/gpu/DisplayApi.h"
#include "platform/gpu/PixelFormat.h"
#include "platform/gpu/Refusal.h"
#include "platform/gpu/WindowGlContext.h"
#include "platform/gpu/recording/RecordingApi.h"
#include "support/DefaultRenderStates.h"

namespace gltest {
namespace {

using namespace gpu;

class BackEndDevice : public DeviceFixture {};

TEST_P(BackEndDevice, StartsFromTheOriginalDefaultsAndStoresEveryState) {
    Close();
    Open(640, 480, Fmt::X8R8G8B8);
    // The fixture changed a few; a reset brings back the defaults.
    DropBuffers();
    PresentParams pp;
    pp.backBufferWidth = 640;
    pp.backBufferHeight = 480;
    pp.backBufferFormat = Fmt::X8R8G8B8;
    ASSERT_EQ(dev_->Reset(&pp), kOk);
    for (auto [state, value] : testsupport::kDefaultRenderStates) {
        uint32_t v = 12345;
        ASSERT_EQ(dev_->GetRenderState(state, &v), kOk);
        EXPECT_EQ(v, value) << "render state " << state;
    }
    for (uint32_t s = 0; s < kStageCount; ++s) {
        uint32_t v = 0;
        dev_->GetTextureStageState(s, Tss::ColorOp, &v);
        EXPECT_EQ(v, s == 0 ? Top::Modulate : Top::Disable);
        dev_->GetTextureStageState(s, Tss::AlphaOp, &v);
        EXPECT_EQ(v, s == 0 ? Top::SelectArg1 : Top::Disable);
        dev_->GetTextureStageState(s, Tss::ColorArg1, &v);
        EXPECT_EQ(v, Ta::Texture);
        dev_->GetTextureStageState(s, Tss::ColorArg2, &v);
        EXPECT_EQ(v, Ta::Current);
        dev_->GetTextureStageState(s, Tss::TexCoordIndex, &v);
        EXPECT_EQ(v, s);
        dev_->GetTextureStageState(s, Tss::AddressU, &v);
        EXPECT_EQ(v, Tadr::Wrap);
        dev_->GetTextureStageState(s, Tss::MinFilter, &v);
        EXPECT_EQ(v, Tf::Point);
        dev_->GetTextureStageState(s, Tss::MipFilter, &v);
        EXPECT_EQ(v, Tf::None);
    }
    // Every number is kept, including ones the back end does not interpret.
    for (uint32_t i = 0; i < kRenderStateCount; ++i)
        ASSERT_EQ(dev_->SetRenderState(i, 1000 + i), kOk);
    for (uint32_t i = 0; i < kRenderStateCount; ++i) {
        uint32_t v = 0;
        ASSERT_EQ(dev_->GetRenderState(i, &v), kOk);
        EXPECT_EQ(v, 1000 + i);
    }
    for (uint32_t s = 0; s < kStageCount; ++s)
        for (uint32_t i = 1; i < kStageStateCount; ++i) {
            ASSERT_EQ(dev_->SetTextureStageState(s, i, s * 100 + i), kOk);
            uint32_t v = 0;
            ASSERT_EQ(dev_->GetTextureStageState(s, i, &v), kOk);
            EXPECT_EQ(v, s * 100 + i);
        }
    uint32_t v = 0;
    EXPECT_EQ(dev_->SetRenderState(kRenderStateCount, 1), kErrInvalidCall);
    EXPECT_EQ(dev_->GetRenderState(kRenderStateCount, &v), kErrInvalidCall);
    EXPECT_EQ(dev_->SetTextureStageState(kStageCount, 1, 1), kErrInvalidCall);
    EXPECT_EQ(dev_->SetTextureStageState(0, kStageStateCount, 1), kErrInvalidCall);
    EXPECT_EQ(dev_->SetTextureStageState(0, 0, 1), kErrInvalidCall);
    // And a reset brings the defaults back.
    ASSERT_EQ(dev_->Reset(&pp), kOk);
    dev_->GetRenderState(Rs::CullMode, &v);
    EXPECT_EQ(v, Cull::CCW);
    dev_->GetTextureStageState(3, Tss::TexCoordIndex, &v);
    EXPECT_EQ(v, 3u);
}

TEST_P(BackEndDevice, ResetIsRefusedWhileADefaultPoolResourceLives) {
    PresentParams pp;
    pp.backBufferWidth = 800;
    pp.backBufferHeight = 600;
    pp.backBufferFormat = Fmt::X8R8G8B8;
    VertexBuffer* vb = nullptr;
    IndexBuffer* ib = nullptr;
    Texture* tex = nullptr;
    ASSERT_EQ(dev_->CreateVertexBuffer(64, Usage::Dynamic, kFvfGame, Pool::Default, &vb), kOk);
    ASSERT_EQ(dev_->CreateIndexBuffer(64, Usage::Dynamic, Fmt::Index16, Pool::Default, &ib), kOk);
    ASSERT_EQ(dev_->CreateTexture(4, 4, 1, 0, Fmt::A8R8G8B8, Pool::Default, &tex), kOk);
    EXPECT_EQ(dev_->Reset(&pp), kErrInvalidCall);
    vb->Release();
    EXPECT_EQ(dev_->Reset(&pp), kErrInvalidCall);
    ib->Release();
    EXPECT_EQ(dev_->Reset(&pp), kErrInvalidCall);
    tex->Release();
    // Managed resources (the fixture's buffers) survive a reset.
    ASSERT_EQ(dev_->Reset(&pp), kOk);
    EXPECT_EQ(probe_->BackBufferWidth(), 800u);
    EXPECT_EQ(probe_->BackBufferHeight(), 600u);
    int w = 0, h = 0;
    window_->GetClientSize(&w, &h);
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);
    Viewport vp;
    dev_->GetViewport(&vp);
    EXPECT_EQ(vp.width, 800u);
    EXPECT_EQ(vp.height, 600u);
    Read();
    EXPECT_EQ(pixels_.size(), 800u * 600u);
    // Bindings are gone: drawing needs them set again.
    EXPECT_EQ(dev_->DrawIndexedPrimitive(Prim::TriangleList, 0, 4, 0, 2), kErrInvalidCall);
}

TEST_P(BackEndDevice, FullScreenResetKeepsTheRequestedBackBuffer) {
    DropBuffers();
    PresentParams pp;
    pp.backBufferWidth = 640;
    pp.backBufferHeight = 480;
    pp.backBufferFormat = Fmt::R5G6B5;
    pp.windowed = 0;
    pp.presentationInterval = kPresentIntervalImmediate;
    ASSERT_EQ(dev_->Reset(&pp), kOk);
    EXPECT_EQ(probe_->BackBufferWidth(), 640u);
    EXPECT_EQ(dev_->Present(), kOk);
    pp.windowed = 1;
    pp.presentationInterval = kPresentIntervalDefault;
    ASSERT_EQ(dev_->Reset(&pp), kOk);
    EXPECT_FALSE(window_->IsFullScreen());
    EXPECT_EQ(dev_->Present(), kOk);
}

// A reset the back end cannot make a back buffer for is refused and leaves the
// device, the window and the picture as they were, and drawing goes on.
TEST_P(BackEndDevice, AResetWithoutMemoryForItsBackBufferChangesNothing) {
    ClearAll(0xFF336699);
    ASSERT_EQ(Draw({{100, 100, 300, 200, 0xFFFF0000}}), kOk);
    ASSERT_EQ(dev_->Present(), kOk);
    const std::vector<uint32_t> before = Read();
    Rs(gpu::Rs::TextureFactor, 0x12345678); // a reset would bring back the default
    const struct {
        const char* what;
        uint32_t width, height, windowed;
    } requests[] = {{"windowed 800x600", 800, 600, 1}, {"full screen 640x480", 640, 480, 0}};
    for (const auto& q : requests) {
        SCOPED_TRACE(q.what);
        PresentParams pp;
        pp.backBufferWidth = q.width;
        pp.backBufferHeight = q.height;
        pp.backBufferFormat = Fmt::X8R8G8B8;
        pp.windowed = q.windowed;
        probe_->FailNextBackBuffer();
        EXPECT_EQ(dev_->Reset(&pp), kErrOutOfVideoMemory);
        EXPECT_FALSE(window_->IsFullScreen());
        int w = 0, h = 0;
        window_->GetClientSize(&w, &h);
        EXPECT_EQ(w, static_cast<int>(kW));
        EXPECT_EQ(h, static_cast<int>(kH));
        EXPECT_EQ(probe_->BackBufferWidth(), kW);
        EXPECT_EQ(probe_->BackBufferHeight(), kH);
        Viewport vp;
        dev_->GetViewport(&vp);
        EXPECT_EQ(vp.width, kW);
        EXPECT_EQ(vp.height, kH);
        uint32_t factor = 0;
        dev_->GetRenderState(gpu::Rs::TextureFactor, &factor);
        EXPECT_EQ(factor, 0x12345678u);
        EXPECT_TRUE(Read() == before) << "the picture is kept";
    }
    // The device draws and presents on into the back buffer it kept.
    ASSERT_EQ(Draw({{500, 400, 520, 420, 0xFF00FF00}}), kOk);
    EXPECT_EQ(dev_->Present(), kOk);
    Read();
    EXPECT_EQ(Px(510, 410), 0xFF00FF00u);
    EXPECT_EQ(Px(200, 150), 0xFFFF0000u);
    EXPECT_EQ(Px(5, 5), 0xFF336699u);
    std::vector<uint32_t> shown;
    probe_->ReadPresented(kW, kH, shown);
    EXPECT_EQ(shown[410 * kW + 510], 0xFF00FF00u);
}

TEST_P(BackEndDevice, GammaRampIsAppliedWhenPresenting) {
    GammaRamp ramp;
    dev_->GetGammaRamp(&ramp);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(ramp.green[i], i * 257) << "the initial ramp is linear";
    ClearAll(0xFF204080);
    std::vector<uint32_t> shown;
    probe_->ReadPresented(kW, kH, shown);
    EXPECT_EQ(shown[0], 0xFF204080u) << "a linear ramp changes nothing";

    for (int i = 0; i < 256; ++i) {
        ramp.red[i] = static_cast<uint16_t>((255 - i) * 257);
        ramp.green[i] = static_cast<uint16_t>(i * 257);
        ramp.blue[i] = static_cast<uint16_t>(i * 128);
    }
    dev_->SetGammaRamp(0, &ramp);
    probe_->ReadPresented(kW, kH, shown);
    EXPECT_TRUE(Near(shown[kW * 300 + 500], Argb(255, 255 - 0x20, 0x40, 0x40), 1));
    // The back buffer itself is untouched.
    Read();
    EXPECT_EQ(Px(500, 300), 0xFF204080u);
    GammaRamp back;
    dev_->GetGammaRamp(&back);
    EXPECT_EQ(std::memcmp(&back, &ramp, sizeof(ramp)), 0);
    EXPECT_EQ(dev_->Present(), kOk);
}

TEST_P(BackEndDevice, PresentKeepsTheAspectWithBars) {
    ClearAll(0xFF808080);
    ASSERT_EQ(Draw({{0, 0, 1, 1, 0xFFFF0000}, {1023, 767, 1024, 768, 0xFF0000FF}}), kOk);
    std::vector<uint32_t> shown;
    // A wider window: bars left and right, the picture 1:1 in the middle.
    probe_->ReadPresented(1280, 768, shown);
    EXPECT_EQ(shown[0], 0xFF000000u);
    EXPECT_EQ(shown[127], 0xFF000000u);
    EXPECT_EQ(shown[128], 0xFFFF0000u);
    EXPECT_EQ(shown[129], 0xFF808080u);
    EXPECT_EQ(shown[767 * 1280 + 1151], 0xFF0000FFu);
    EXPECT_EQ(shown[767 * 1280 + 1152], 0xFF000000u);
    // A taller one: bars above and below, the picture scaled down.
    probe_->ReadPresented(512, 512, shown);
    EXPECT_EQ(shown[10 * 512 + 256], 0xFF000000u);
    EXPECT_EQ(shown[256 * 512 + 256], 0xFF808080u);
    EXPECT_EQ(shown[501 * 512 + 256], 0xFF000000u);
}

TEST_P(BackEndDevice, SceneBracketsPair) {
    EXPECT_EQ(dev_->EndScene(), kErrInvalidCall);
    EXPECT_EQ(dev_->BeginScene(), kOk);
    EXPECT_EQ(dev_->BeginScene(), kErrInvalidCall);
    EXPECT_EQ(dev_->EndScene(), kOk);
    EXPECT_EQ(dev_->TestCooperativeLevel(), kOk);
}

TEST_P(BackEndDevice, BufferLocksAreBoundsChecked) {
    VertexBuffer* vb = nullptr;
    ASSERT_EQ(dev_->CreateVertexBuffer(128, Usage::Dynamic, kFvfGame, Pool::Managed, &vb), kOk);
    uint8_t* p = nullptr;
    EXPECT_EQ(vb->Lock(0, 129, &p, 0), kErrInvalidCall);
    EXPECT_EQ(vb->Lock(129, 0, &p, 0), kErrInvalidCall);
    EXPECT_EQ(vb->Lock(64, 65, &p, 0), kErrInvalidCall);
    EXPECT_EQ(vb->Lock(0xFFFFFFF0u, 0x20, &p, 0), kErrInvalidCall);
    EXPECT_EQ(vb->Unlock(), kErrInvalidCall);
    ASSERT_EQ(vb->Lock(128, 0, &p, 0), kOk) << "an empty lock at the end is fine";
    EXPECT_EQ(vb->Lock(0, 4, &p, 0), kErrInvalidCall) << "already locked";
    EXPECT_EQ(vb->Unlock(), kOk);
    ASSERT_EQ(vb->Lock(64, 64, &p, Lock::NoOverwrite), kOk);
    std::memset(p, 0xAB, 64);
    EXPECT_EQ(vb->Unlock(), kOk);
    BufferDesc d;
    ASSERT_EQ(vb->GetDesc(&d), kOk);
    EXPECT_EQ(d.size, 128u);
    EXPECT_EQ(d.pool, Pool::Managed);
    EXPECT_EQ(d.fvf, kFvfGame);
    vb->Release();

    IndexBuffer* ib = nullptr;
    EXPECT_EQ(dev_->CreateIndexBuffer(64, 0, Fmt::D16, Pool::Managed, &ib), kErrInvalidCall);
    EXPECT_EQ(dev_->CreateVertexBuffer(0, 0, kFvfGame, Pool::Managed, &vb), kErrInvalidCall);
    ASSERT_EQ(dev_->CreateIndexBuffer(64, 0, Fmt::Index32, Pool::Managed, &ib), kOk);
    ASSERT_EQ(ib->GetDesc(&d), kOk);
    EXPECT_EQ(d.format, Fmt::Index32);
    ib->Release();
}

TEST_P(BackEndDevice, DiscardedBufferDrawsItsNewContents) {
    ClearAll(0xFF000000);
    ASSERT_EQ(Draw({{0, 0, 4, 4, 0xFFFF0000}}), kOk);
    // Draw() rewrites the same range with a discarding lock.
    ASSERT_EQ(Draw({{10, 0, 14, 4, 0xFF00FF00}}), kOk);
    // An appending lock after the first vertices leaves them in place.
    uint8_t* vp = nullptr;
    ASSERT_EQ(vb_->Lock(4 * 32, 4 * 32, &vp, Lock::NoOverwrite), kOk);
    QuadVertices({20, 0, 24, 4, 0xFF0000FF}, reinterpret_cast<Vertex*>(vp));
    vb_->Unlock();
    dev_->SetIndices(ib_, 4);
    ASSERT_EQ(dev_->DrawIndexedPrimitive(Prim::TriangleList, 0, 4, 0, 2), kOk);
    dev_->SetIndices(ib_, 0);
    ASSERT_EQ(dev_->DrawIndexedPrimitive(Prim::TriangleList, 0, 4, 0, 2), kOk);
    Read();
    EXPECT_EQ(Px(2, 2), 0xFFFF0000u);
    EXPECT_EQ(Px(12, 2), 0xFF00FF00u);
    EXPECT_EQ(Px(22, 2), 0xFF0000FFu);
}

TEST_P(BackEndDevice, TextureLocksAndPartialUploads) {
    Texture* t = MakeTexture(4, 4, [](uint32_t, uint32_t) { return 0xFF000000u; });
    SurfaceDesc d;
    ASSERT_EQ(t->GetLevelDesc(0, &d), kOk);
    EXPECT_EQ(d.width, 4u);
    EXPECT_EQ(d.format, Fmt::A8R8G8B8);
    EXPECT_EQ(d.pool, Pool::Managed);
    LockedRect lr;
    const Rect outside{2, 2, 5, 3}, empty{1, 1, 1, 2};
    EXPECT_EQ(t->LockRect(0, &lr, &outside, 0), kErrInvalidCall);
    EXPECT_EQ(t->LockRect(0, &lr, &empty, 0), kErrInvalidCall);
    EXPECT_EQ(t->LockRect(1, &lr, nullptr, 0), kErrInvalidCall);
    EXPECT_EQ(t->UnlockRect(0), kErrInvalidCall);
    const Rect one{2, 1, 3, 2};
    ASSERT_EQ(t->LockRect(0, &lr, &one, 0), kOk);
    EXPECT_EQ(t->LockRect(0, &lr, nullptr, 0), kErrInvalidCall);
    const uint32_t white = 0xFFFFFFFF;
    std::memcpy(lr.bits, &white, 4);
    ASSERT_EQ(t->UnlockRect(0), kOk);
    // The whole level reads back as written.
    ASSERT_EQ(t->LockRect(0, &lr, nullptr, 0x10), kOk);
    uint32_t word = 0;
    std::memcpy(&word, static_cast<uint8_t*>(lr.bits) + lr.pitch + 8, 4);
    EXPECT_EQ(word, white);
    ASSERT_EQ(t->UnlockRect(0), kOk);

    dev_->SetTexture(0, t);
    Filter(0, Tf::Point, Tf::None);
    ClearAll(0xFF808080);
    ASSERT_EQ(Draw({{0, 0, 4, 4}}), kOk);
    Read();
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(Px(x, y), (x == 2 && y == 1) ? white : 0xFF000000u) << x << "," << y;
}

// A loaded picture gives up its CPU copy once GL holds every texel; a later
// lock reads the texels back from GL, and so does a device going away. What
// would lose bits on the way through GL (10-bit channels) or is locked often
// (dynamic, system memory) keeps its copy.
TEST_P(BackEndDevice, TexturesGiveUpTheirCpuCopyAndReadBackTheSame) {
    const struct {
        uint32_t format, usage, pool;
        bool keeps;
    } cases[] = {{Fmt::X8R8G8B8, 0, Pool::Default, false},
                 {Fmt::R5G6B5, 0, Pool::Managed, false},
                 {Fmt::A8L8, 0, Pool::Managed, false},
                 {Fmt::A2B10G10R10, 0, Pool::Managed, true},
                 {Fmt::A8R8G8B8, Usage::Dynamic, Pool::Managed, true},
                 {Fmt::A8R8G8B8, 0, Pool::SystemMem, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        Texture* t = nullptr;
        ASSERT_EQ(dev_->CreateTexture(9, 5, 1, c.usage, c.format, c.pool, &t), kOk);
        // Every byte written; what GL gives back of it (no bytes after a row's texels).
        SurfaceDesc d;
        LockedRect lr;
        ASSERT_EQ(t->GetLevelDesc(0, &d), kOk);
        ASSERT_EQ(t->LockRect(0, &lr, nullptr, 0), kOk);
        auto* bits = static_cast<uint8_t*>(lr.bits);
        for (uint32_t i = 0; i < d.size; ++i)
            bits[i] = static_cast<uint8_t>(i * 37u + 13u);
        std::vector<uint8_t> want(bits, bits + d.size), rgba(d.width * 4);
        for (uint8_t* row = want.data(); !c.keeps && row < want.data() + d.size; row += lr.pitch) {
            ExpandRow(c.format, row, d.width, rgba.data());
            PackRow(c.format, rgba.data(), d.width, row);
            std::fill(row + d.width * BytesPerPixel(c.format), row + lr.pitch, 0);
        }
        ASSERT_EQ(t->UnlockRect(0), kOk);
        EXPECT_EQ(probe_->TextureCopyBytes() != 0, c.keeps || Soft()); // ours draws from it
        if (&c == &cases[0])
            Close(); // a texture that outlives its device keeps its texels
        ASSERT_EQ(t->LockRect(0, &lr, nullptr, 0x10), kOk);
        std::vector<uint8_t> got(static_cast<uint8_t*>(lr.bits),
                                 static_cast<uint8_t*>(lr.bits) + d.size);
        for (size_t i = 3; c.format == Fmt::X8R8G8B8 && i < d.size; i += 4)
            got[i] = want[i]; // the unused byte may read back as anything
        EXPECT_TRUE(got == want);
        t->UnlockRect(0);
        t->Release();
        if (&c == &cases[0])
            SetUp();
    }
}

TEST_P(BackEndDevice, TextureCreationRejectsNonsense) {
    Texture* t = nullptr;
    EXPECT_EQ(dev_->CreateTexture(0, 4, 1, 0, Fmt::A8R8G8B8, Pool::Managed, &t), kErrInvalidCall);
    EXPECT_EQ(dev_->CreateTexture(4, 4, 1, 0, Fmt::D16, Pool::Managed, &t), kErrInvalidCall);
    EXPECT_EQ(dev_->CreateTexture(4, 4, 1, 0, 77, Pool::Managed, &t), kErrInvalidCall);
    EXPECT_EQ(dev_->CreateTexture(1u << 20, 4, 1, 0, Fmt::A8R8G8B8, Pool::Managed, &t),
              kErrInvalidCall);
    EXPECT_EQ(t, nullptr);
    ASSERT_EQ(dev_->CreateTexture(300, 20, kDefault, 0, Fmt::A4R4G4B4, Pool::Managed, &t), kOk);
    EXPECT_EQ(t->GetLevelCount(), 9u); // 300 -> 150 -> ... -> 1
    SurfaceDesc d;
    ASSERT_EQ(t->GetLevelDesc(8, &d), kOk);
    EXPECT_EQ(d.width, 1u);
    EXPECT_EQ(d.height, 1u);
    t->Release();
}

TEST_P(BackEndDevice, ResourcesMayOutliveTheDevice) {
    Texture* t = MakeTexture(2, 2, [](uint32_t, uint32_t) { return 0xFFFFFFFFu; });
    textures_.clear();
    VertexBuffer* vb = vb_;
    vb_ = nullptr;
    dev_->Release();
    dev_ = nullptr;
    // Still usable on the CPU side; releasing later is safe.
    LockedRect lr;
    EXPECT_EQ(t->LockRect(0, &lr, nullptr, 0), kOk);
    EXPECT_EQ(t->UnlockRect(0), kOk);
    uint8_t* p = nullptr;
    EXPECT_EQ(vb->Lock(0, 32, &p, Lock::Discard), kOk);
    EXPECT_EQ(vb->Unlock(), kOk);
    t->Release();
    vb->Release();
}

TEST_P(BackEndDevice, CursorFromAnArgbSurface) {
    Surface* s = nullptr;
    ASSERT_EQ(dev_->CreateImageSurface(32, 32, Fmt::A8R8G8B8, &s), kOk);
    SurfaceDesc d;
    ASSERT_EQ(s->GetDesc(&d), kOk);
    EXPECT_EQ(d.width, 32u);
    EXPECT_EQ(d.pool, Pool::SystemMem);
    LockedRect lr;
    ASSERT_EQ(s->LockRect(&lr, nullptr, 0), kOk);
    for (int y = 0; y < 32; ++y)
        std::memset(static_cast<uint8_t*>(lr.bits) + y * lr.pitch, 0xFF, 32 * 4);
    ASSERT_EQ(s->UnlockRect(), kOk);
    EXPECT_EQ(dev_->SetCursorProperties(0, 0, s), kOk);
    EXPECT_EQ(dev_->SetCursorProperties(32, 0, s), kErrInvalidCall);
    EXPECT_EQ(dev_->SetCursorProperties(0, 0, nullptr), kErrInvalidCall);
    s->Release();
    ASSERT_EQ(dev_->CreateImageSurface(8, 8, Fmt::X8R8G8B8, &s), kOk);
    EXPECT_EQ(dev_->SetCursorProperties(0, 0, s), kErrInvalidCall);
    s->Release();
    EXPECT_EQ(dev_->CreateImageSurface(0, 8, Fmt::A8R8G8B8, &s), kErrInvalidCall);
}

TEST_P(BackEndDevice, ViewportAndTransformsAreValidated) {
    Viewport vp{1000, 0, 100, 10, 0, 1};
    EXPECT_EQ(dev_->SetViewport(&vp), kErrInvalidCall);
    vp = {0, 0, 1024, 768, 0, 2};
    EXPECT_EQ(dev_->SetViewport(&vp), kErrInvalidCall);
    vp = {24, 8, 1000, 760, 0.25f, 0.5f};
    EXPECT_EQ(dev_->SetViewport(&vp), kOk);
    Viewport got;
    dev_->GetViewport(&got);
    EXPECT_EQ(got.x, 24u);
    EXPECT_EQ(got.maxZ, 0.5f);
    Matrix m = OrthoLH(1024, 768, -1000, 1000), back;
    ASSERT_EQ(dev_->SetTransform(Ts::Projection, &m), kOk);
    ASSERT_EQ(dev_->GetTransform(Ts::Projection, &back), kOk);
    EXPECT_EQ(std::memcmp(&m, &back, sizeof(m)), 0);
    EXPECT_EQ(dev_->SetTransform(17, &m), kErrInvalidCall);
}

INSTANTIATE_TEST_SUITE_P(BackEnds, BackEndDevice, ::testing::ValuesIn(kDrawingBackEnds));

class GlApiTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        window_.reset(os::Window::Create("api test", 640, 480, &error));
        if (!window_)
            GTEST_SKIP() << "no video driver (" << error << ")";
        api_ = CreateGlApi();
        ASSERT_NE(api_, nullptr);
    }
    void TearDown() override {
        if (api_)
            api_->Release();
    }
    std::unique_ptr<os::Window> window_;
    Api* api_ = nullptr;
};

TEST_F(GlApiTest, AdaptersModesAndDesktop) {
    ASSERT_GE(api_->GetAdapterCount(), 1u);
    uint32_t n = api_->GetAdapterModeCount(0);
    ASSERT_GT(n, 0u);
    bool big16 = false, big32 = false;
    for (uint32_t i = 0; i < n; ++i) {
        DisplayMode m;
        ASSERT_EQ(api_->EnumAdapterModes(0, i, &m), kOk);
        EXPECT_TRUE(m.format == Fmt::X8R8G8B8 || m.format == Fmt::R5G6B5 ||
                    m.format == Fmt::X1R5G5B5);
        if (m.width >= 640 && m.height >= 480)
            (m.format == Fmt::R5G6B5 ? big16 : big32) = true;
    }
    EXPECT_TRUE(big32);
    EXPECT_TRUE(big16) << "full screen is scaled, so both depths are offered";
    DisplayMode m;
    EXPECT_EQ(api_->EnumAdapterModes(0, n, &m), kErrInvalidCall);
    // Each query of an adapter that is not there says why, and one that goes
    // ahead leaves no reason behind.
    const uint32_t none = api_->GetAdapterCount();
    AdapterIdentifier who;
    Caps caps;
    const std::pair<const char*, std::function<Result()>> refused[] = {
        {"EnumAdapterModes: no such adapter or mode, or nowhere to put it",
         [&] { return api_->EnumAdapterModes(none, 0, &m); }},
        {"GetAdapterDisplayMode: no such adapter, or nowhere to put the mode",
         [&] { return api_->GetAdapterDisplayMode(none, &m); }},
        {"GetAdapterIdentifier: no such adapter, or nowhere to put its name",
         [&] { return api_->GetAdapterIdentifier(none, 0, &who); }},
        {"CheckDeviceType: no such adapter",
         [&] { return api_->CheckDeviceType(none, kDeviceHal, Fmt::X8R8G8B8, Fmt::X8R8G8B8, 1); }},
        {"CheckDeviceFormat: no such adapter",
         [&] {
             return api_->CheckDeviceFormat(none, kDeviceHal, Fmt::X8R8G8B8, 0, Rtype::Texture,
                                            Fmt::A8R8G8B8);
         }},
        {"GetDeviceCaps: no such adapter, or nowhere to put the caps",
         [&] { return api_->GetDeviceCaps(none, kDeviceHal, &caps); }},
    };
    for (const auto& [why, call] : refused) {
        Refuse("an older refusal");
        EXPECT_EQ(call(), kErrInvalidCall) << why;
        EXPECT_STREQ(LastRefusal(), why);
        EXPECT_EQ(api_->EnumAdapterModes(0, 0, &m), kOk);
        EXPECT_STREQ(LastRefusal(), "") << "after " << why;
    }
    DisplayMode desk;
    ASSERT_EQ(api_->GetAdapterDisplayMode(0, &desk), kOk);
    bool listed = false;
    for (uint32_t i = 0; i < n; ++i) {
        api_->EnumAdapterModes(0, i, &m);
        listed |= m.width == desk.width && m.height == desk.height && m.format == desk.format;
    }
    EXPECT_TRUE(listed) << "the desktop mode is in the list";
    EXPECT_EQ(api_->CheckDeviceType(0, kDeviceHal, desk.format, desk.format, 1), kOk);
    EXPECT_EQ(api_->CheckDeviceType(0, kDeviceHal, Fmt::R5G6B5, Fmt::R5G6B5, 0), kOk);
    EXPECT_EQ(api_->CheckDeviceType(0, kDeviceHal, Fmt::R5G6B5, Fmt::X8R8G8B8, 0),
              kErrNotAvailable);
    AdapterIdentifier id;
    ASSERT_EQ(api_->GetAdapterIdentifier(0, 0, &id), kOk);
    EXPECT_NE(id.vendorId, 0x1002u);
}

TEST_F(GlApiTest, CapsGiveFullSharedBuffers) {
    Caps caps;
    ASSERT_EQ(api_->GetDeviceCaps(0, kDeviceHal, &caps), kOk);
    EXPECT_EQ(std::min<uint64_t>(uint64_t{caps.maxVertexIndex} + 1, 65536), 65536u);
    EXPECT_EQ(std::min<uint64_t>(uint64_t{caps.maxPrimitiveCount} + 1, 65536), 65536u);
    EXPECT_NE(caps.pixelShaderVersion & 0xFFFF, 0u);
}

TEST_F(GlApiTest, TextureFormatAnswers) {
    // The software back end answers as GL does: the loaders pick alike on both.
    Api* soft = CreateSoftApi();
    ASSERT_NE(soft, nullptr);
    for (Api* api : {api_, soft}) {
        for (uint32_t f = 21; f <= 24; ++f)
            EXPECT_EQ(api->CheckDeviceFormat(0, kDeviceHal, Fmt::X8R8G8B8, 0, Rtype::Texture, f),
                      kOk)
                << f;
        // Alpha of fewer than 8 bits is refused, so soft masks keep all theirs.
        for (uint32_t f : {25u, 26u, 29u, 51u, 52u, 50u, 80u})
            EXPECT_EQ(api->CheckDeviceFormat(0, kDeviceHal, Fmt::X8R8G8B8, 0, Rtype::Texture, f),
                      kErrNotAvailable)
                << f;
    }
    soft->Release();
    for (uint32_t adapterFormat : {Fmt::X8R8G8B8, Fmt::R5G6B5})
        EXPECT_EQ(api_->CheckDeviceFormat(0, kDeviceHal, adapterFormat, Usage::RenderTarget,
                                          Rtype::Texture, Fmt::X8R8G8B8),
                  kOk);
    EXPECT_EQ(api_->CheckDeviceFormat(0, kDeviceHal, Fmt::A8L8, 0, Rtype::Texture, Fmt::A8R8G8B8),
              kErrNotAvailable);
}

TEST_F(GlApiTest, OneDeviceAtATimeAndBadParameters) {
    PresentParams pp;
    pp.backBufferWidth = 640;
    pp.backBufferHeight = 480;
    pp.backBufferFormat = Fmt::X8R8G8B8;
    Device* d = nullptr;
    EXPECT_EQ(api_->CreateDevice(0, kDeviceHal, nullptr, 0x40, &pp, &d), kErrInvalidCall)
        << "no window";
    EXPECT_STREQ(LastRefusal(), "CreateDevice: no window to show the picture in");
    EXPECT_EQ(api_->CreateDevice(0, 2, window_.get(), 0x40, &pp, &d), kErrNotAvailable)
        << "not HAL";
    pp.backBufferFormat = Fmt::A8L8;
    EXPECT_EQ(api_->CreateDevice(0, kDeviceHal, window_.get(), 0x40, &pp, &d), kErrInvalidCall);
    EXPECT_STREQ(LastRefusal(), "present parameters: not a back-buffer format");
    pp.backBufferFormat = Fmt::X8R8G8B8;
    gpu::Result r = api_->CreateDevice(0, kDeviceHal, window_.get(), 0x40, &pp, &d);
    if (r == kErrNotAvailable)
        GTEST_SKIP() << "no OpenGL 3.3 context";
    ASSERT_EQ(r, kOk);
    Device* second = nullptr;
    EXPECT_EQ(api_->CreateDevice(0, kDeviceHal, window_.get(), 0x40, &pp, &second),
              kErrInvalidCall);
    EXPECT_STREQ(LastRefusal(), "CreateDevice: the window already has a device");
    d->Release();
    // A windowed device of size 0 takes the client area's size.
    pp.backBufferWidth = pp.backBufferHeight = 0;
    ASSERT_EQ(api_->CreateDevice(0, kDeviceHal, window_.get(), 0x20, &pp, &d), kOk);
    EXPECT_EQ(pp.backBufferWidth, 640u);
    EXPECT_EQ(pp.backBufferHeight, 480u);
    d->Release();
}

TEST_F(GlApiTest, TheContextThatNamedTheRendererDrawsForTheNextDevice) {
    const std::string renderer = WindowGlContext::RendererName(window_.get());
    if (renderer.empty())
        GTEST_SKIP() << "no OpenGL 3.3 context";
    EXPECT_FALSE(WindowGlContext::InUse());
    EXPECT_EQ(WindowGlContext::RendererName(window_.get()), renderer) << "asked again";
    PresentParams pp;
    pp.backBufferWidth = 64;
    pp.backBufferHeight = 32;
    pp.backBufferFormat = Fmt::X8R8G8B8;
    pp.windowed = 1;
    Device* d = nullptr;
    ASSERT_EQ(api_->CreateDevice(0, kDeviceHal, window_.get(), 0x40, &pp, &d), kOk);
    EXPECT_TRUE(WindowGlContext::InUse());
    EXPECT_EQ(WindowGlContext::RendererName(window_.get()), "")
        << "the device holds the one context";
    ASSERT_EQ(d->Clear(0, nullptr, ClearFlag::Target, 0xFF336699u, 1.0f, 0), kOk);
    std::vector<uint32_t> argb;
    ProbeOf(d)->ReadBackBuffer(argb);
    ASSERT_EQ(argb.size(), 64u * 32u);
    EXPECT_EQ(argb[0], 0xFF336699u);
    d->Release();
    // Kept for a device that never comes, it goes with the API.
    EXPECT_EQ(WindowGlContext::RendererName(window_.get()), renderer);
    api_->Release();
    api_ = CreateGlApi();
    ASSERT_EQ(api_->CreateDevice(0, kDeviceHal, window_.get(), 0x40, &pp, &d), kOk);
    d->Release();
}

// A maker whose device draws nothing for real, so cannot tell its back buffer.
Result MakeRecordingDevice(os::Window* window, const PresentParams& pp, Device** out) {
    Api* api = CreateRecordingApi();
    PresentParams p = pp;
    const Result r =
        api->CreateDevice(0, kDeviceHal, window, kCreateHardwareVertexProcessing, &p, out);
    api->Release();
    return r;
}

TEST_F(GlApiTest, ADeviceThatCannotTellItsBackBufferIsRefused) {
    Api* display = DisplayApi::Open("recording", MakeRecordingDevice);
    ASSERT_NE(display, nullptr);
    PresentParams pp;
    pp.backBufferWidth = 64;
    pp.backBufferHeight = 32;
    pp.backBufferFormat = Fmt::X8R8G8B8;
    Device* d = nullptr;
    EXPECT_EQ(display->CreateDevice(0, kDeviceHal, window_.get(), 0x40, &pp, &d), kErrInvalidCall);
    EXPECT_EQ(d, nullptr);
    EXPECT_STREQ(LastRefusal(), "CreateDevice: the back end made a device that does not draw");
    display->Release();
}

TEST(GlApiWithoutVideo, IsNotCreated) {
    if (SDL_WasInit(SDL_INIT_VIDEO))
        GTEST_SKIP() << "video already initialised in this process";
    EXPECT_EQ(CreateGlApi(), nullptr);
}

} // namespace
} // namespace gltest
