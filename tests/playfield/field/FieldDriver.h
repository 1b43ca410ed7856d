#pragma once
// A stand-in for the game object around one play field: it builds the field on
// the recording back end with its managers, writes and loads level files,
// places exact boards, feeds clicks and swaps, runs frames with a fixed time
// step from a fixed seed, and dispatches the field's events as the game would.
// The rule tests extend it (playfield/rules/RulesDriver.h).
#include <array>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bonuses/BonusManager.h"
#include "effects/DuneEffect.h"
#include "effects/Sandbox.h"
#include "effects/TerminatorManager.h"
#include "engine/IndexBuffer.h"
#include "engine/RenderDevice.h"
#include "engine/VertexBuffer.h"
#include "platform/Rand15.h"
#include "playfield/CapSlot.h"
#include "playfield/CapsManager.h"
#include "playfield/GemsBar.h"
#include "playfield/LevelDesc.h"
#include "playfield/LevelParams.h"
#include "playfield/PlayField.h"
#include "playfield/QuestFieldLayout.h"
#include "support/CapturedLog.h"
#include "support/RecordingScene.h"

namespace fieldtest {

// A board written as 8 rows of 8 characters: '0'..'6' a cap of that colour,
// 's' steel, '.' an empty cell.
using BoardRows = std::array<std::string, 8>;

// Colour (c + 3 r) mod 5 in every cell: no ready row and no move at all.
inline BoardRows DeadBoard() {
    return {"01234012", "34012340", "12340123", "40123401",
            "23401234", "01234012", "34012340", "12340123"};
}

class FieldDriver {
public:
    static constexpr float kDt = 1.0f / 60.0f;

    explicit FieldDriver(uint32_t seed = 12345) {
        Rand15::Global().Seed(seed);

        api_ = testsupport::MakeRecordingApi();
        device_ = CSharedPtr<CRenderDevice>(new CRenderDevice(api_.get(), 0));
        testsupport::CreateWindowed(*device_);
        caps_ = CSharedPtr<CCapsManager>(
            new CCapsManager(device_, CSharedPtr<CVertexBuffer>(), CSharedPtr<CIndexBuffer>()));

        params_.Speed = 0.0f;  // no draining sand box unless a test asks
        field_.reset(new CPlayField(caps_, &layout_, &motion_, &params_, &aux_));
        terminators_ = CSharedPtr<CTerminatorManager>(new CTerminatorManager(
            1.0f, &field_->CapList, CSharedPtr<CParticleSystemsManager>(),
            CSharedPtr<CQuadLayer>(), CSharedPtr<CQuadLayer>(), CSharedPtr<CSpriteLayer>()));
        field_->Terminators = terminators_;
        field_->Bonuses = CSharedPtr<CBonusManager>(new CBonusManager());
        field_->GemsBar = CSharedPtr<CGemsBar>(new CGemsBar());
        field_->CapSlot = CSharedPtr<CCapSlot>(new CCapSlot());
    }

    virtual ~FieldDriver() {
        field_.reset();
        terminators_ = CSharedPtr<CTerminatorManager>();
        caps_ = CSharedPtr<CCapsManager>();
        device_ = CSharedPtr<CRenderDevice>();
        api_.reset();
    }
    FieldDriver(const FieldDriver&) = delete;
    FieldDriver& operator=(const FieldDriver&) = delete;

    CPlayField& Field() { return *field_; }
    CLevelParams& Params() { return params_; }
    CFieldMotion& Motion() { return motion_; }
    CGameAux& Aux() { return aux_; }
    const CQuestFieldLayout& Layout() const { return layout_; }
    CTerminatorManager& Terminators() { return *terminators_; }
    CBonusManager& Bonuses() { return *field_->Bonuses; }
    testsupport::TempDir& Dir() { return dir_; }
    CSandbox* Sandbox() { return field_->Dune.IsNull() ? nullptr : field_->Dune->Sandbox.Get(); }

    // The level start of the game object: colours, level file (when given),
    // reset, board shown and play opened.
    int32_t StartLevel(int32_t level, const std::string& levelText = std::string()) {
        CPlayField& f = *field_;
        f.LevelNumber = level;
        f.SetColours(level);
        int32_t read = 1;
        if (!levelText.empty())
            read = f.LoadLevel(dir_.Write("l" + std::to_string(level) + ".lvl", levelText));
        f.Reset(0);
        f.Show(true, 1, 0.0f);
        f.SetActive(false);
        return read;
    }

    // Puts caps exactly as written; every placed cap rests in its cell.
    void PlaceBoard(const BoardRows& rows) {
        CPlayField& f = *field_;
        for (int32_t r = 0; r < 8; ++r)
            for (int32_t c = 0; c < 8; ++c) {
                const std::string& line = rows[static_cast<size_t>(r)];
                const char ch = c < static_cast<int32_t>(line.size()) ? line[static_cast<size_t>(c)] : '.';
                auto& cell = f.Board[static_cast<size_t>(r)][static_cast<size_t>(c)];
                if (!cell.IsNull()) {
                    f.CapList.Remove(cell);
                    cell = CSharedPtr<CCap>();
                }
                if (ch == '.')
                    continue;
                const int32_t colour = ch == 's' ? CCap::kSteel : ch - '0';
                cell = MakeCap(colour, c, r);
            }
        f.Source = CPlayField::kRandomFill;
    }

    CSharedPtr<CCap> Cap(int32_t c, int32_t r) { return field_->CapAt(c, r); }

    CSharedPtr<CCap> MakeCap(int32_t colour, int32_t c, int32_t r) {
        CPlayField& f = *field_;
        const CVector3 p = f.CellToWorld(c, r, false);
        CSharedPtr<CCap> cap;
        f.CapList.CreateCap(cap, colour, 0, p.X, p.Y, 0.0f, f.TokenSize, 1, f.Origin[0],
                            f.Origin[1], f.Origin[2]);
        cap->Kind = CBoardElement::kBoardCap;
        cap->Landed = 1;
        cap->State = CBoardElement::kAtRest;
        cap->Column = cap->PrevColumn = c;
        cap->Row = cap->PrevRow = r;
        return cap;
    }

    // One frame of the game object: update, reorder, dispatch, empty.
    void Frame(float dt = kDt) {
        CPlayField& f = *field_;
        f.Update(dt, 10000.0f, 10000.0f);
        f.ReorderEvents();
        for (const CFieldEvent& e : f.Events) {
            events.push_back(e);
            if (e.Kind == CFieldEvent::kNoMoves && rebuildOnNoMoves) {
                f.RebuildBoard(rebuildDelay, 30);
                reopenIn = rebuildDelay + 0.05f;
            }
            if (e.Kind == CFieldEvent::kLevelComplete)
                ++levelsCompleted;
        }
        f.Events.clear();
        if (reopenIn > 0.0f) {
            reopenIn -= dt;
            if (reopenIn <= 0.0f)
                f.SetActive(false);
        }
        ++frames;
    }

    void Frames(int n, float dt = kDt) {
        for (int i = 0; i < n; ++i)
            Frame(dt);
    }

    // True when nothing moves, no removal runs and every cell holds a cap.
    virtual bool Settled() {
        CPlayField& f = *field_;
        if (!f.IsIdle(true))
            return false;
        for (const auto& cap : f.CapList.GetCaps())
            if (!cap.IsNull() && cap->Kind == CBoardElement::kBoardCap && cap->Landed == 0)
                return false;
        f.BuildMatchMatrix();
        return f.MatchFinder.HasRun(3, 0) == 0;
    }

    // Runs frames until the board settles; false when it does not within the
    // limit.
    bool RunUntilSettled(int maxFrames = 3000) {
        for (int i = 0; i < maxFrames; ++i) {
            Frame();
            if (Settled() && reopenIn <= 0.0f)
                return true;
        }
        return false;
    }

    // A left click on a cell as the game handles it: select, or swap with the
    // selected neighbour.
    void Click(int32_t column, int32_t row) {
        CPlayField& f = *field_;
        const CVector3 p = f.CellToWorld(column, row, true);
        int32_t c = -1, r = -1;
        if (!f.WorldToCell(p.X, p.Y, c, r) || !f.IsCellSelectable(c, r))
            return;
        CCapSlot& slot = *f.CapSlot;
        if (slot.Cap.IsNull()) {
            slot.Select(f.CapAt(c, r));
            return;
        }
        const int32_t sc = slot.Cap->Column, sr = slot.Cap->Row;
        if (std::abs(sc - c) + std::abs(sr - r) == 1) {
            slot.Clear();
            f.SwapCaps(sc, sr, c, r, 0);
        } else {
            slot.Select(f.CapAt(c, r));
        }
    }

    int CountEvents(int32_t kind) const {
        int n = 0;
        for (const CFieldEvent& e : events)
            if (e.Kind == kind)
                ++n;
        return n;
    }
    const CFieldEvent* LastEvent(int32_t kind) const {
        for (auto it = events.rbegin(); it != events.rend(); ++it)
            if (it->Kind == kind)
                return &*it;
        return nullptr;
    }

    // Number of caps of the board for which the test holds.
    template <class Test> int CountCaps(Test test) {
        int n = 0;
        for (const auto& row : field_->Board)
            for (const auto& cap : row)
                if (!cap.IsNull() && test(*cap))
                    ++n;
        return n;
    }

    std::vector<CFieldEvent> events;
    bool rebuildOnNoMoves = true;
    float rebuildDelay = 0.25f; // the board rebuild after "no moves"; play reopens 0.05 s later
    int levelsCompleted = 0;
    int frames = 0;
    float reopenIn = 0.0f;

protected:
    testsupport::TempDir dir_;
    testsupport::CapturedLog log_{dir_};
    testsupport::ApiPtr api_;
    CSharedPtr<CRenderDevice> device_;
    CSharedPtr<CCapsManager> caps_;
    CQuestFieldLayout layout_;
    CFieldMotion motion_;
    CLevelParams params_;
    CGameAux aux_;
    std::unique_ptr<CPlayField> field_;
    CSharedPtr<CTerminatorManager> terminators_;
};

} // namespace fieldtest
