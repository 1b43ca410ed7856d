#pragma once
// The board's messages ("GOOD COMBO", "NO MOVES!", "+1 GOLDEN STAR"...), one
// at a time. A message rises from the middle of the area it is given (the
// board), drawn smaller when it would reach over that area's sides, and kept
// clear of the rectangle it is given (the level card) by rising in the larger
// part of the area that rectangle leaves free. One that comes while another is
// on screen waits for it; a message waited for lives no longer than a combo's
// (half of it at full strength, then its fade), so that a run of them does not
// fall behind the game. What is earned at a stroke (a level's end) does not
// wait: the message on screen gives way, fading out at once, and those still
// waiting, out of date by then, are dropped.
//
// The lane's messages are popups of the list that owns it: they age, rise,
// fade and are drawn with the rest; the list tells the lane once a frame, after
// they have aged, that the next may come.
#include <cstdint>
#include <deque>
#include <string>

#include "engine/SharedPtr.h"

class CPopupList;
struct CPopup;

// A rectangle of the virtual screen (y up).
struct CLaneBox {
    float Left = 0.0f, Bottom = 0.0f, Right = 0.0f, Top = 0.0f;
};

class CMessageLane {
public:
    // The longest a message lives while another waits for it (seconds).
    static constexpr float kWaitedForLife = 1.5f;
    // The longest a message that gives way still fades (seconds).
    static constexpr float kGiveWayFade = 0.25f;
    // What a message keeps clear of the area's sides and of the card.
    static constexpr float kMargin = 24.0f;
    // How fast a message rises (units per second), and its depth.
    static constexpr float kRise = 18.0f;
    static constexpr float kDepth = -60.0f;

    explicit CMessageLane(CPopupList& popups) : Popups(popups) {}
    CMessageLane(const CMessageLane&) = delete;
    CMessageLane& operator=(const CMessageLane&) = delete;

    // The area messages rise in.
    void SetArea(const CLaneBox& area) { Area = area; }
    // The rectangle messages keep clear of (the one on screen moves out of its
    // way at once), or none.
    void KeepClearOf(const CLaneBox& box);
    void KeepClearOfNothing() { HasObstacle = false; }

    // Queues a message of `duration` seconds (1 when given none) in that
    // colour (ARGB) and scale, on the list's plaque when asked (and fitted to
    // it); returns the seconds from now until it will have gone.
    float Post(const std::string& text, float duration, uint32_t colour, float scale,
               bool plaque = false);
    // The message on screen fades out from where it stands within
    // kGiveWayFade, and the waiting ones are dropped: the next one posted
    // shows as soon as that fade is over.
    void GiveWay();
    // The next message once the one on screen has gone (the list calls it
    // every frame, after the popups have aged).
    void Update();
    // A message on screen or waiting for its turn.
    bool Pending() const { return !Shown.IsNull() || !Waiting.empty(); }
    // The message on screen (null when none).
    const CSharedPtr<CPopup>& OnScreen() const { return Shown; }
    // Forgets the message on screen and every waiting one (the list drops the
    // popups themselves).
    void Clear();

private:
    struct CWaiting {
        std::string Text;
        float Duration = 0.0f;
        uint32_t Colour = 0;
        float Scale = 0.0f;
        bool Plaque = false;
    };
    void ShowNext();
    // Down to the area's width and height, less the margins.
    void Fit(CPopup& popup) const;
    // Out of the obstacle's way for the rest of its rise.
    void KeepClear(CPopup& popup) const;

    CPopupList& Popups;
    CLaneBox Area;
    CLaneBox Obstacle;
    bool HasObstacle = false;
    CSharedPtr<CPopup> Shown;
    std::deque<CWaiting> Waiting;
};
