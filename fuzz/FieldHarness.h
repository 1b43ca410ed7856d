#pragma once
// A play field on the recording graphics back end, as the game object builds it,
// for the targets whose data ends up shaping the board (level files, the skin).
#include <cstdint>
#include <memory>

#include "effects/TerminatorManager.h"
#include "engine/RenderDevice.h"
#include "platform/gpu/Gpu.h"
#include "playfield/CapsManager.h"
#include "playfield/LevelParams.h"
#include "playfield/PlayField.h"
#include "playfield/QuestFieldLayout.h"

namespace fuzz {

class FieldHarness {
public:
    explicit FieldHarness(const CQuestFieldLayout& layout);
    ~FieldHarness();
    FieldHarness(const FieldHarness&) = delete;
    FieldHarness& operator=(const FieldHarness&) = delete;

    CPlayField& Field() { return *field_; }
    CRenderDevice& Device() { return *device_; }
    // Runs frames of the game object's loop, events dropped.
    void Frames(int n);

private:
    gpu::Api* api_ = nullptr;
    CSharedPtr<CRenderDevice> device_;
    CSharedPtr<CCapsManager> caps_;
    CSharedPtr<CTerminatorManager> terminators_;
    CLevelParams params_;
    CFieldMotion motion_;
    CGameAux aux_;
    std::unique_ptr<CPlayField> field_;
};

} // namespace fuzz
