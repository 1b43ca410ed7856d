// The frame functions: the scene frame's fixed layer order with fake layers of
// the later subsystems and real engine layers, its clears and depth-write
// switches, missing layers, device loss, and the loading and splash frames.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/BitmapFont.h"
#include "engine/IndexBuffer.h"
#include "engine/PlayFieldStore.h"
#include "engine/Quad.h"
#include "engine/QuadLayer.h"
#include "engine/RenderDevice.h"
#include "engine/Renderer.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "engine/TextLayer.h"
#include "engine/TextSprite.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"
#include "support/CapturedLog.h"
#include "support/RecordingScene.h"

namespace {

// Calls of the fake layers, each with the number of draws made before it and
// the depth-write state it found.
struct CallLog {
    struct Entry {
        std::string name;
        size_t draws;
        uint32_t zWrite;
    };
    gpu::RecordingDevice* rec = nullptr;
    std::vector<Entry> entries;
    void Add(const std::string& name) {
        entries.push_back({name, rec->Draws().size(), rec->RenderState(gpu::Rs::ZWriteEnable)});
    }
};

class FakeParticles : public IParticleLayer {
public:
    FakeParticles(CallLog* log, int index) : log_(log), name_("P" + std::to_string(index)) {}
    void RenderAlphaTested() override { log_->Add(name_ + "a"); }
    void RenderBlended() override { log_->Add(name_ + "b"); }

private:
    CallLog* log_;
    std::string name_;
};

class FakeBackdrop : public IBackdropLayer {
public:
    explicit FakeBackdrop(CallLog* log) : log_(log) {}
    bool IsEnabled() const override { return enabled; }
    int GetCurrentId() const override { return id; }
    void Render() override { log_->Add("backdrop"); }
    bool enabled = true;
    int id = 1;

private:
    CallLog* log_;
};

class FakeDune : public IDuneLayer {
public:
    explicit FakeDune(CallLog* log) : log_(log) {}
    bool IsShown() const override { return shown; }
    void RenderSand(CSharedPtr<CRenderDevice> d, CSharedPtr<CVertexBuffer> vb,
                    CSharedPtr<CIndexBuffer> ib) override {
        EXPECT_FALSE(d.IsNull() || vb.IsNull() || ib.IsNull());
        log_->Add("sand");
    }
    void RenderBox(CSharedPtr<CRenderDevice>, CSharedPtr<CVertexBuffer>,
                   CSharedPtr<CIndexBuffer>) override {
        log_->Add("box");
    }
    bool shown = true;

private:
    CallLog* log_;
};

class FakeCaps : public ICapsLayer {
public:
    explicit FakeCaps(CallLog* log) : log_(log) {}
    bool IsFieldShown() const override { return shown; }
    void Render() override { log_->Add("caps"); }
    void RenderChains() override { log_->Add("chains"); }
    bool shown = true;

private:
    CallLog* log_;
};

class FakeForms : public IFormsDrawer {
public:
    explicit FakeForms(CallLog* log) : log_(log) {}
    bool HasFormsManager() const override { return has; }
    bool BoxShown() const override { return box; }
    void Draw(int tag, int part) override {
        log_->Add((part == kBoxAndOver ? "box" : "forms") + std::to_string(tag));
    }
    bool has = true;
    bool box = false;

private:
    CallLog* log_;
};

class FrameTest : public ::testing::Test {
protected:
    void TearDown() override { Stop(); }
    void Stop() {
        for (auto& layer : spriteLayers_)
            layer = CSharedPtr<CSpriteLayer>();
        frame_ = CSharedPtr<CPlayFieldStore>();
        device_ = CSharedPtr<CRenderDevice>();
        renderer_.reset();
        api_.reset();
        log_.entries.clear();
        names_.clear();
    }

    // A windowed renderer on the recording back end, with its shared buffers.
    void Start(int width = 1024, int height = 768) {
        Stop();
        api_ = testsupport::MakeRecordingApi(config_);
        renderer_ = std::make_unique<CRenderer>();
        VideoSettingsBlock s;
        s.width = width;
        s.height = height;
        ASSERT_EQ(renderer_->CreateDevice(s, api_.get(), nullptr, gpu::Fmt::D16), gpu::kOk);
        device_ = renderer_->GetDevice();
        rec_ = gpu::AsRecording(device_->GetDevice());
        ASSERT_NE(rec_, nullptr);
        log_.rec = rec_;
        CSharedPtr<CVertexBuffer> vb;
        CSharedPtr<CIndexBuffer> ib;
        ASSERT_NO_FATAL_FAILURE(testsupport::MakeSharedBuffers(*device_, 4096, 8192, vb, ib));
        renderer_->SetSharedBuffers(vb, ib);
    }

    CSharedPtr<CTexture> Texture(const std::string& name) {
        auto t = device_->CreateTargetTexture(name, 4, 4, {gpu::Fmt::A8R8G8B8}, 1, 0,
                                              gpu::Pool::Managed);
        names_[gpu::RecordingId(t->GetTexture())] = name;
        return t;
    }

    // Every layer of the game, each drawing something recognisable.
    void FillLayers() {
        const auto& vb = renderer_->GetSharedVertexBuffer();
        const auto& ib = renderer_->GetSharedIndexBuffer();
        for (int i = 0; i < CRenderer::kParticleLayers; ++i)
            renderer_->SetParticleLayer(i, CSharedPtr<IParticleLayer>(new FakeParticles(&log_, i)));
        for (int i = 0; i < CRenderer::kQuadLayers; ++i) {
            CSharedPtr<CQuadLayer> layer(new CQuadLayer(device_, vb, ib));
            CSharedPtr<CQuad> q(new CQuad(0, 0, 0, Texture("Q" + std::to_string(i)), 0xFFFFFF));
            layer->Add(q);
            renderer_->SetQuadLayer(i, layer);
        }
        for (int i = 0; i < CRenderer::kSpriteLayers; ++i) {
            spriteLayers_[i] = CSharedPtr<CSpriteLayer>(new CSpriteLayer(device_, vb, ib));
            const std::string n = "S" + std::to_string(i);
            spriteLayers_[i]->Add(CSharedPtr<CSpriteQuad>(
                new CSpriteQuad(0, 0, 0, 8, 8, 0xFFFFFFFF, Texture(n + "prep"), 0)));
            spriteLayers_[i]->Add(CSharedPtr<CSpriteQuad>(
                new CSpriteQuad(0, 0, 0, 8, 8, 0xFFFFFFFF, Texture(n + "draw"), 1)));
            renderer_->SetSpriteLayer(i, spriteLayers_[i]);
        }
        CSharedPtr<CTextLayer> texts(new CTextLayer(device_, vb, ib));
        for (int32_t tag : {-1, 12345}) {
            CSharedPtr<CBitmapFont> font(new CBitmapFont(Texture("T" + std::to_string(tag))));
            CSharedPtr<CTextSprite> t(new CTextSprite(font));
            t->SetText("x");
            t->PassTag = tag;
            texts->Add(t);
        }
        renderer_->SetTextLayer(texts);
        frame_ = CSharedPtr<CPlayFieldStore>(new CPlayFieldStore());
        frame_->Textures.push_back(Texture("frame"));
        frame_->Rebuild({{0, 0, 4, 4}}, std::vector<CFrameTexCoord>(4), {0}, {0xFFFFFFFF}, {0});
        renderer_->SetBoardFrame(frame_);
        backdrop_ = new FakeBackdrop(&log_);
        renderer_->SetBackdrop(CSharedPtr<IBackdropLayer>(backdrop_));
        dune_ = new FakeDune(&log_);
        renderer_->SetDune(CSharedPtr<IDuneLayer>(dune_));
        caps_ = new FakeCaps(&log_);
        renderer_->SetCapsLayer(CSharedPtr<ICapsLayer>(caps_));
        forms_ = new FakeForms(&log_);
        renderer_->SetFormsDrawer(CSharedPtr<IFormsDrawer>(forms_));
    }

    // The fake layers' calls and the real layers' draws, in the order they happened.
    std::vector<std::string> Sequence() const {
        std::vector<std::string> out;
        const auto& draws = rec_->Draws();
        size_t e = 0;
        for (size_t d = 0; d <= draws.size(); ++d) {
            while (e < log_.entries.size() && log_.entries[e].draws == d)
                out.push_back(log_.entries[e++].name);
            if (d < draws.size()) {
                auto it = names_.find(draws[d].state.textureIds[0]);
                out.push_back(it == names_.end() ? "?" : it->second);
            }
        }
        return out;
    }

    uint32_t ZWriteAt(const std::string& name) const {
        for (const auto& e : log_.entries)
            if (e.name == name)
                return e.zWrite;
        ADD_FAILURE() << name << " was not called";
        return 99;
    }

    testsupport::CapturedLog objectLog_;
    gpu::RecordingConfig config_;
    testsupport::ApiPtr api_;
    std::unique_ptr<CRenderer> renderer_;
    CSharedPtr<CRenderDevice> device_;
    gpu::RecordingDevice* rec_ = nullptr;
    CallLog log_;
    std::map<uint64_t, std::string> names_;
    CSharedPtr<CSpriteLayer> spriteLayers_[3];
    CSharedPtr<CPlayFieldStore> frame_;
    FakeBackdrop* backdrop_ = nullptr;
    FakeDune* dune_ = nullptr;
    FakeCaps* caps_ = nullptr;
    FakeForms* forms_ = nullptr;
};

TEST_F(FrameTest, SceneDrawsEveryLayerInTheFixedOrder) {
    Start();
    FillLayers();
    rec_->ClearRecords();
    EXPECT_EQ(renderer_->RenderScene(), 0);
    const std::vector<std::string> expected{
        "backdrop", "P0a",    "P0b",    "Q0",     "frame",  "P1a",    "P1b",    "sand",
        "box",      "caps",   "S0prep", "P2a",    "S0draw", "P2b",    "Q1",     "chains",
        "T-1",      "S1prep", "P3a",    "S1draw", "P3b",    "P4a",    "forms1", "S2prep",
        "P4b",      "S2draw", "Q2",     "T12345", "P5b"};
    EXPECT_EQ(Sequence(), expected);
    EXPECT_FALSE(rec_->InScene());

    // Depth writes: on for the first alpha-tested pass, off for every blended one.
    EXPECT_EQ(ZWriteAt("P0a"), 1u);
    for (const char* blended : {"P0b", "P1b", "P2b", "P3b", "P4b", "P5b"})
        EXPECT_EQ(ZWriteAt(blended), 0u) << blended;
    for (const auto& d : rec_->Draws()) {
        if (names_[d.state.textureIds[0]][0] == 'T') {
            EXPECT_EQ(d.state.renderStates[gpu::Rs::ZWriteEnable], 0u) << "texts write no depth";
        }
    }
    EXPECT_EQ(ZWriteAt("P1a"), 1u) << "the board frame turns depth writes back on";

    // The base states of the frame.
    const auto& first = rec_->Draws().front().state;
    EXPECT_EQ(first.renderStates[gpu::Rs::CullMode], gpu::Cull::None);
    EXPECT_EQ(first.renderStates[gpu::Rs::DitherEnable], 1u);
    EXPECT_EQ(first.stageStates[1][gpu::Tss::ColorOp], gpu::Top::Disable);
    EXPECT_EQ(first.stageStates[0][gpu::Tss::MinFilter], gpu::Tf::Linear);
    EXPECT_EQ(rec_->VertexShader(), gpu::kFvfGame);
    EXPECT_EQ(rec_->BoundVertexBuffer(), renderer_->GetSharedVertexBuffer()->GetBuffer());
}

TEST_F(FrameTest, SwitchedOffAndMissingLayersAreSkipped) {
    Start();
    FillLayers();
    backdrop_->enabled = false;
    dune_->shown = false;
    caps_->shown = false;
    forms_->has = false;
    frame_->Fade.Set(0, 0.0f);
    spriteLayers_[1]->Shown = 0;
    renderer_->SetParticleLayer(2, CSharedPtr<IParticleLayer>());
    renderer_->SetQuadLayer(1, CSharedPtr<CQuadLayer>());
    rec_->ClearRecords();
    EXPECT_EQ(renderer_->RenderScene(), 0);
    const std::vector<std::string> expected{
        "P0a", "P0b", "Q0", "P1a", "P1b", "S0prep", "S0draw", "T-1", "P3a", "P3b",
        "P4a", "S2prep", "P4b", "S2draw", "Q2", "T12345", "P5b"};
    EXPECT_EQ(Sequence(), expected);

    // No layers at all: a cleared frame and nothing else.
    Start();
    rec_->ClearRecords();
    EXPECT_EQ(renderer_->RenderScene(), 0);
    EXPECT_TRUE(rec_->Draws().empty());
    EXPECT_EQ(rec_->Clears().size(), 1u);
}

TEST_F(FrameTest, ClearsLetterboxAndBackdropColour) {
    Start(1280, 720);
    FillLayers();
    rec_->ClearRecords();
    renderer_->RenderScene();
    const auto& clears = rec_->Clears();
    ASSERT_EQ(clears.size(), 2u);
    EXPECT_EQ(clears[0].flags, gpu::ClearFlag::Target);
    EXPECT_EQ(clears[0].color, 0u);
    EXPECT_EQ(clears[0].viewport.width, 1280u);
    EXPECT_EQ(clears[1].flags, gpu::ClearFlag::Target | gpu::ClearFlag::ZBuffer);
    EXPECT_EQ(clears[1].color, 0x004040FFu);
    EXPECT_EQ(clears[1].viewport.width, 960u);
    EXPECT_EQ(clears[1].viewport.x, 160u);

    backdrop_->id = 3;  // the Valley
    rec_->ClearRecords();
    renderer_->RenderScene();
    EXPECT_EQ(rec_->Clears().back().color, 0u);
    backdrop_->enabled = false;
    renderer_->SetClearFlag(false);
    rec_->ClearRecords();
    renderer_->RenderScene();
    EXPECT_EQ(rec_->Clears().back().flags, gpu::ClearFlag::ZBuffer);

    Start(1024, 768);
    rec_->ClearRecords();
    renderer_->RenderScene();
    EXPECT_EQ(rec_->Clears().size(), 1u) << "no letterbox at exactly 4:3";
}

TEST_F(FrameTest, LostDeviceDrawsNothingAndAResetDeviceDrawsAgain) {
    Start();
    FillLayers();
    rec_->LoseDevice(1);
    rec_->ClearRecords();
    EXPECT_EQ(renderer_->RenderScene(), gpu::kErrDeviceLost);
    EXPECT_TRUE(rec_->Draws().empty());
    EXPECT_TRUE(log_.entries.empty());

    // The loading and splash frames never reset.
    EXPECT_EQ(renderer_->RenderLoadingScreen(Texture("load"), 0.5f), gpu::kErrDeviceNotReset);
    EXPECT_EQ(renderer_->RenderSplash(CSharedPtr<CTexture>(), 0.5f), gpu::kErrDeviceNotReset);
    EXPECT_EQ(rec_->State(), gpu::DeviceState::NotReset);

    EXPECT_EQ(renderer_->RenderScene(), 0) << "the scene frame resets and draws";
    EXPECT_EQ(rec_->State(), gpu::DeviceState::Ok);
    EXPECT_EQ(rec_->Draws().size(), 12u);

    // A reset that fails leaves the device for the next frame.
    rec_->LoseDevice(0);
    rec_->FailNext(gpu::Call::Reset);
    EXPECT_EQ(renderer_->RenderScene(), gpu::kErrDeviceLost);
    EXPECT_EQ(renderer_->RenderScene(), 0);
}

TEST_F(FrameTest, LoadingScreenGeometryAndFailures) {
    Start();
    auto picture = Texture("load");
    for (float progress : {0.0f, 1.0f}) {
        rec_->ClearRecords();
        EXPECT_EQ(renderer_->RenderLoadingScreen(picture, progress), 0);
        ASSERT_EQ(rec_->Draws().size(), 1u);
        const auto& d = rec_->Draws()[0];
        EXPECT_EQ(d.primCount, 4u);
        EXPECT_EQ(d.state.textures[0], picture->GetTexture());
        EXPECT_EQ(d.state.renderStates[gpu::Rs::AlphaBlendEnable], 0u);
        const gpu::Vertex tl = d.IndexedVertex(0), br = d.IndexedVertex(2);
        EXPECT_FLOAT_EQ(tl.x, -512.5f);
        EXPECT_FLOAT_EQ(tl.y, 384.5f);
        EXPECT_FLOAT_EQ(br.x, 511.5f);
        EXPECT_FLOAT_EQ(br.v0, 0.75f);
        EXPECT_EQ(tl.diffuse, 0xFFFFFFFFu);
        const gpu::Vertex barTl = d.IndexedVertex(6), barBr = d.IndexedVertex(8);
        EXPECT_FLOAT_EQ(barTl.x, -132.5f);
        EXPECT_FLOAT_EQ(barTl.y, -257.5f);
        EXPECT_FLOAT_EQ(barBr.x, -132.5f + 264.0f * progress);
        EXPECT_FLOAT_EQ(barBr.y, -305.5f);
        EXPECT_FLOAT_EQ(barTl.u0, 2.0f / 1024.0f);
        EXPECT_FLOAT_EQ(barBr.u0, 2.0f / 1024.0f + progress * 264.0f / 1024.0f);
        EXPECT_FLOAT_EQ(barTl.v0, 802.0f / 1024.0f);
        EXPECT_FLOAT_EQ(barBr.v0, 850.0f / 1024.0f);
    }
    EXPECT_EQ(picture.UseCount(), 2u) << "the frame let go of its handle";

    rec_->ClearRecords();
    rec_->FailNext(gpu::Call::LockIndexBuffer);
    EXPECT_EQ(renderer_->RenderLoadingScreen(picture, 0.5f), gpu::kErrInvalidCall);
    EXPECT_TRUE(rec_->Draws().empty());
    EXPECT_EQ(renderer_->GetSharedVertexBuffer()->GetLockCount(), 0u);
    rec_->FailNext(gpu::Call::BeginScene);
    EXPECT_EQ(renderer_->RenderLoadingScreen(picture, 0.5f), 0) << "nothing drawn, no error";
    EXPECT_TRUE(rec_->Draws().empty());
    rec_->LoseDevice(5);
    EXPECT_EQ(renderer_->RenderLoadingScreen(picture, 0.5f), gpu::kErrDeviceLost);
}

TEST_F(FrameTest, SplashGreyIsClamped) {
    Start();
    auto picture = Texture("splash");
    const std::pair<float, uint32_t> cases[] = {
        {0.0f, 0xFF000000u}, {1.0f, 0xFFFFFFFFu}, {0.5f, 0xFF7F7F7Fu}, {2.0f, 0xFFFFFFFFu},
        {-1.0f, 0xFF000000u}, {std::numeric_limits<float>::quiet_NaN(), 0xFF000000u}};
    for (auto [brightness, colour] : cases) {
        rec_->ClearRecords();
        EXPECT_EQ(renderer_->RenderSplash(picture, brightness), 0);
        ASSERT_EQ(rec_->Draws().size(), 1u);
        const auto& d = rec_->Draws()[0];
        EXPECT_EQ(d.primCount, 2u);
        EXPECT_EQ(d.IndexedVertex(0).diffuse, colour) << brightness;
        EXPECT_FLOAT_EQ(d.IndexedVertex(2).v0, 1.0f);
    }
}

} // namespace
