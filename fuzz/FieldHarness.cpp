#include "FieldHarness.h"

#include "bonuses/BonusManager.h"
#include "engine/IndexBuffer.h"
#include "engine/VertexBuffer.h"
#include "platform/Rand15.h"
#include "platform/gpu/recording/RecordingApi.h"
#include "playfield/CapSlot.h"
#include "playfield/GemsBar.h"

namespace fuzz {

FieldHarness::FieldHarness(const CQuestFieldLayout& layout) {
    // Every run draws the same numbers, so a finding replays.
    Rand15::Global().Seed(12345);
    api_ = gpu::CreateRecordingApi();
    device_ = CSharedPtr<CRenderDevice>(new CRenderDevice(api_, 0));
    device_->Create(1024, 768, gpu::Fmt::X8R8G8B8, 0, 1, nullptr, gpu::Fmt::D16, 1, 0,
                    gpu::kSwapEffectDiscard, 0);
    caps_ = CSharedPtr<CCapsManager>(
        new CCapsManager(device_, CSharedPtr<CVertexBuffer>(), CSharedPtr<CIndexBuffer>()));
    params_.Speed = 0.05f;
    field_.reset(new CPlayField(caps_, &layout, &motion_, &params_, &aux_));
    terminators_ = CSharedPtr<CTerminatorManager>(new CTerminatorManager(
        1.0f, &field_->CapList, CSharedPtr<CParticleSystemsManager>(), CSharedPtr<CQuadLayer>(),
        CSharedPtr<CQuadLayer>(), CSharedPtr<CSpriteLayer>()));
    field_->Terminators = terminators_;
    field_->Bonuses = CSharedPtr<CBonusManager>(new CBonusManager());
    field_->GemsBar = CSharedPtr<CGemsBar>(new CGemsBar());
    field_->CapSlot = CSharedPtr<CCapSlot>(new CCapSlot());
}

FieldHarness::~FieldHarness() {
    field_.reset();
    terminators_ = CSharedPtr<CTerminatorManager>();
    caps_ = CSharedPtr<CCapsManager>();
    device_ = CSharedPtr<CRenderDevice>();
    if (api_)
        api_->Release();
}

void FieldHarness::Frames(int n) {
    for (int i = 0; i < n; ++i) {
        field_->Update(1.0f / 30.0f, 10000.0f, 10000.0f);
        field_->Events.clear();
    }
}

} // namespace fuzz
