#include "playfield/Cap.h"

#include "playfield/CapsManager.h"

void CCap::SetValue(int32_t lockCount) {
    CBoardElement::SetValue(lockCount);
    if (!Sprite.IsNull())
        Sprite->ChainLevel = lockCount;
}

void CCap::StartMove(float ex, float ey, float ez, float duration, float t0x, float t0y, float t0z,
                     float t1x, float t1y, float t1z) {
    Duration = duration;
    Elapsed = 0.0f;
    State = kMoving;
    Path.SetFirstKey(Position.X, Position.Y, Position.Z, ex, ey, ez, t0x, t0y, t0z, t1x, t1y, t1z,
                     duration);
}

void CCap::SetFalling() {
    Falling = 1;
    MotionPurpose = kFallIntoCell;
}

int32_t CCap::SpriteKind() const {
    return Dark > 0 ? Colour + CCapsManager::kDarkOffset : Colour;
}

void CCap::SyncSprite() {
    if (Sprite.IsNull())
        return;
    Sprite->X = Position.X + Offset.X;
    Sprite->Y = Position.Y + Offset.Y;
    Sprite->Z = Position.Z + Offset.Z;
}

void CCap::SetDark(CCapsManager& manager, int32_t flag) {
    if (flag == Dark)
        return;
    Dark = flag;
    if (!Sprite.IsNull())
        manager.SetDark(Sprite, flag > 0);
}

void CCap::RecreateSprite(CCapsManager& manager, int32_t colour) {
    Colour = colour;
    const CVector3 p = DrawnPosition();
    CSharedPtr<CCapSprite> fresh;
    manager.CreateCap(fresh, SpriteKind(), p.X, p.Y, p.Z, Size, 0);
    if (!Sprite.IsNull()) {
        fresh->LightEnabled = Sprite->LightEnabled;
        fresh->Visible = Sprite->Visible;
        manager.ReleaseCap(Sprite);
    }
    fresh->ChainLevel = LockCount;
    Sprite = fresh;
}
