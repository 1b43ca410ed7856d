#include "playfield/CapList.h"

#include <algorithm>
#include <cmath>

#include "engine/Random.h"
#include "playfield/CapsManager.h"

namespace {

// An index into n items from one random draw, never n itself.
size_t PickIndex(size_t n) {
    const float r = RandomFloat();
    size_t i = static_cast<size_t>(std::floor(r * static_cast<float>(n)));
    return std::min(i, n - 1);
}

bool IsFree(const CCap& cap) {
    return cap.Kind == CBoardElement::kBoardCap && cap.State != CBoardElement::kRemoving &&
           !cap.HasBonus() && cap.LockCount == 0;
}

} // namespace

void CCapList::SetOrigin(float x, float y, float z, int32_t applyToCaps) {
    Origin[0] = x;
    Origin[1] = y;
    Origin[2] = z;
    if (!applyToCaps)
        return;
    for (const CSharedPtr<CCap>& cap : Caps) {
        if (cap.IsNull())
            continue;
        cap->Offset = CVector3(x, y, z);
        cap->SyncSprite();
    }
}

int32_t CCapList::Update(float dt, float pointerX, float pointerY) {
    Finished.clear();
    HoverTime += dt;
    // Take a copy of the handles: nothing here erases, but the list must not
    // lose a cap while this loop holds a reference into it.
    for (size_t i = 0; i < Caps.size(); ++i) {
        CSharedPtr<CCap> handle = Caps[i];
        if (handle.IsNull())
            continue;
        CCap& cap = *handle;
        if (cap.State == CBoardElement::kMoving || cap.State == CBoardElement::kSwapping) {
            cap.Elapsed += dt;
            // The path extrapolates outside its time span; a motion never leaves it.
            const float t = std::clamp(cap.Elapsed, 0.0f, cap.Path.GetTotal());
            float p[3];
            cap.Path.GetPoint(p, t);
            cap.Position = CVector3(p[0], p[1], p[2]);
            if (!(cap.Elapsed < cap.Duration))
                Finished.push_back({cap.State, handle});
        }
        if (!cap.Sprite.IsNull()) {
            int32_t track = 0;
            if (cap.Kind == CBoardElement::kBoardCap && cap.State == CBoardElement::kAtRest &&
                !Manager.IsNull()) {
                const CVector3 drawn = cap.DrawnPosition();
                if (std::fabs(pointerX - drawn.X) <= cap.Size &&
                    std::fabs(pointerY - drawn.Y) <= cap.Size) {
                    const CCapAnimation* anim =
                        Manager->GetAnimation(CCapsManager::AnimationIndexOf(cap.Sprite->Kind));
                    if (anim && !anim->Track.empty()) {
                        const auto frames = static_cast<int64_t>(HoverTime * kHoverFrameRate);
                        track = static_cast<int32_t>(frames %
                                                     static_cast<int64_t>(anim->Track.size()));
                    }
                }
            }
            cap.Sprite->TrackPosition = track;
        }
        cap.SyncSprite();
    }
    return static_cast<int32_t>(Finished.size());
}

int32_t CCapList::IsIdle() const {
    for (const CSharedPtr<CCap>& cap : Caps)
        if (!cap.IsNull() &&
            (cap->State == CBoardElement::kMoving || cap->State == CBoardElement::kSwapping))
            return 0;
    return 1;
}

void CCapList::CreateCap(CSharedPtr<CCap>& out, int32_t colour, int32_t gem, float x, float y,
                         float z, float size, int32_t addToList, float originX, float originY,
                         float originZ) {
    CSharedPtr<CCap> cap(new CCap);
    cap->Colour = colour;
    cap->Gem = gem;
    cap->Position = CVector3(x, y, z);
    cap->StartPosition = cap->Position;
    cap->Size = size;
    cap->Offset = CVector3(originX, originY, originZ);
    if (!Manager.IsNull()) {
        const CVector3 p = cap->DrawnPosition();
        Manager->CreateCap(cap->Sprite, cap->SpriteKind(), p.X, p.Y, p.Z, size, 0);
    }
    if (addToList)
        Caps.push_back(cap);
    out = cap;
}

void CCapList::ReleaseSprite(CCap& cap) {
    if (!Manager.IsNull() && !cap.Sprite.IsNull())
        Manager->ReleaseCap(cap.Sprite);
}

int32_t CCapList::Remove(CSharedPtr<CCap> cap) {
    for (size_t i = 0; i < Caps.size(); ++i) {
        if (!(Caps[i] == cap))
            continue;
        if (!cap.IsNull())
            ReleaseSprite(*cap);
        Caps.erase(Caps.begin() + static_cast<std::ptrdiff_t>(i));
        return static_cast<int32_t>(i);
    }
    return -1;
}

void CCapList::Clear() {
    for (const CSharedPtr<CCap>& cap : Caps)
        if (!cap.IsNull())
            ReleaseSprite(*cap);
    Caps.clear();
    Finished.clear();
}

CSharedPtr<CCap> CCapList::FindMovingCap(float x, float y) const {
    for (const CSharedPtr<CCap>& cap : Caps) {
        if (cap.IsNull() || cap->Kind != CBoardElement::kBoardCap ||
            cap->State != CBoardElement::kMoving)
            continue;
        const CVector3 p = cap->DrawnPosition();
        const float dx = x - p.X;
        const float dy = y - p.Y;
        const float s = cap->Size;
        if (std::fabs(dx) <= s && std::fabs(dy) <= s && dx * dx + dy * dy <= s * s)
            return cap;
    }
    return CSharedPtr<CCap>();
}

CSharedPtr<CCap> CCapList::PickRandomFreeCap() const {
    std::vector<const CSharedPtr<CCap>*> pool;
    pool.reserve(Caps.size());
    for (const CSharedPtr<CCap>& cap : Caps)
        if (!cap.IsNull() && IsFree(*cap) && cap->Colour < 98)
            pool.push_back(&cap);
    if (pool.empty()) {
        for (const CSharedPtr<CCap>& cap : Caps)
            if (!cap.IsNull() && IsFree(*cap))
                pool.push_back(&cap);
    }
    if (pool.empty())
        return CSharedPtr<CCap>();
    return *pool[PickIndex(pool.size())];
}

void CCapList::RecolourCap(CSharedPtr<CCap> cap, int32_t colour) {
    if (cap.IsNull())
        return;
    if (Manager.IsNull()) {
        cap->Colour = colour;
        return;
    }
    cap->RecreateSprite(*Manager, colour);
}

void CCapList::SetGemFlag(CSharedPtr<CCap> cap, int32_t flag) {
    if (!cap.IsNull())
        cap->Gem = flag;
}

void CCapList::SetDark(CSharedPtr<CCap> cap, int32_t flag) {
    if (cap.IsNull())
        return;
    if (Manager.IsNull())
        cap->Dark = flag;
    else
        cap->SetDark(*Manager, flag);
}

bool CCapList::GetCapFrame(int32_t row, float out[4]) const {
    out[0] = 0.0f;
    out[1] = 0.0f;
    out[2] = 1.0f;
    out[3] = 1.0f;
    if (Manager.IsNull() || row < 0 || row > 7)
        return false;
    const CCapAnimation* anim = Manager->GetAnimation(row);
    if (!anim || anim->Frames.empty())
        return false;
    const CCapFrame& f = anim->Frames[0];
    out[0] = f.Left;
    out[1] = f.Top;
    out[2] = f.Right;
    out[3] = f.Bottom;
    return true;
}
