// The per-frame update: the fade queue and its events, the group fades, the
// counter, the timer dial, the low-time alarm, the tutorial pointer, the
// blinking windows and the pointer's hover and slider events.
#include <algorithm>
#include <cmath>

#include "engine/TextFormat.h"
#include "playfield/QuestFieldLayout.h"
#include "screens/ScreensManager.h"
#include "ui/UxForm.h"
#include "ui/UxFormsManager.h"
#include "ui/UxScroller.h"

namespace {

constexpr float kTwoPi = 6.2831855f;
constexpr uint32_t kOpaqueBlack = 0xFF000000u;
constexpr uint32_t kWhite = 0xFFFFFFFFu;
// The first marker's grey runs from 32 to 255 while the alarm blinks.
constexpr float kCueGreyFloor = 32.0f;
constexpr float kCueGreyRange = 223.0f;

bool SameWindow(const CSharedPtr<CUxWindow>& a, const CSharedPtr<CUxWindow>& b) {
    if (a.IsNull() || b.IsNull())
        return a.IsNull() && b.IsNull();
    return a == b;
}

} // namespace

void CScreensManager::FadeIn(CSharedPtr<CUxWindow> window, float speed) {
    // A message box takes every click while it shows, the one that closes
    // it too: nothing under it is pressed through it.
    if (!window.IsNull() && window == MsgBoxForm)
        MsgBoxForm->Modal = 1;
    for (CFadeEntry& e : Fades) {
        if (SameWindow(e.Window, window)) {
            e.Aim(1, speed);
            return;
        }
    }
    if (window.IsNull())
        return;
    const float a0 = window->Visible ? window->Alpha : 0.0f;
    window->SetVisible(1);
    window->Active = 0;
    window->SetAlpha(a0);
    Fades.push_back({{1, a0, speed, 0, 1.0f}, window});
}

void CScreensManager::FadeOut(CSharedPtr<CUxWindow> window, float speed) {
    if (window.IsNull() || !window->Visible)
        return;
    if (!window.IsNull() && window == MsgBoxForm)
        MsgBoxForm->Modal = 0;
    for (CFadeEntry& e : Fades) {
        if (SameWindow(e.Window, window)) {
            e.Aim(0, speed);
            return;
        }
    }
    window->Active = 0;
    Fades.push_back({{0, window->Alpha, speed, 0, 0.0f}, window});
}

void CScreensManager::ToggleSoundCue(int32_t on) {
    if (!on) {
        CueActive = 0;
        CuePhase = 0.0f;
        CueElapsed = 0.0f;
        return;
    }
    if (!CueActive && QuestMarkers.size() >= 2) {
        QuestMarkers[1]->SetVisible(1);
        QuestMarkers[1]->SetAlpha(0.0f);
    }
    CueElapsed = 0.0f;
    CueActive = 1;
    PlaySound(ESound::Warning, 0.0f, false);
}

void CScreensManager::PlaySound(ESound slot, float x, bool atX) const {
    if (SoundBank.IsNull())
        return;
    if (atX)
        SoundBank->PlaySampleAt(SoundBank->Group(slot), x, 0, 0);
    else
        SoundBank->PlaySample(SoundBank->Group(slot), 0, 0);
}

int32_t CScreensManager::Update(float x, float y, float dt) {
    Events.clear();
    RunFades(dt);
    RunWindowEffects(dt);
    if (Counter.Update(dt) && !CountersFrozen)
        SetWindowText(CounterLabel, FormatText("%d", {Counter.Shown}));
    if (!CountersFrozen) {
        if (EasedCurrent != EasedTarget) {
            const float step = EasedSpeed * dt;
            EasedCurrent = EasedCurrent > EasedTarget ? std::max(EasedCurrent - step, EasedTarget)
                                                      : std::min(EasedCurrent + step, EasedTarget);
            SetTimerDial(EasedCurrent, 0);
        }
        RunAlarm(dt);
    }
    if (!TutorialForm.IsNull() && TutorialForm->Visible && !TutorialGroups[4].Windows.empty() &&
        TutorialGroups[4].Windows.front()->Visible && QuestLayout) {
        TutorialAngle += QuestLayout->ClickHereW * dt;
        if (TutorialAngle >= kTwoPi)
            TutorialAngle -= kTwoPi;
        PlaceClickHerePointer(TutorialX,
                              TutorialY - QuestLayout->ClickHereA * std::sin(TutorialAngle));
    }
    RunBlink(WinForm, WinBlinkWindows, PageBlinkTimer, kPageBlinkPeriod, dt);
    RunBlink(NewspaperForm, NewspaperBlinkWindows, PageBlinkTimer, kPageBlinkPeriod, dt);
    RunBlink(BackgroundForm, BackgroundBlinkWindows, BackgroundBlinkTimer, kBackgroundBlinkPeriod,
             dt);
    RoutePointer(x, y, dt);
    return static_cast<int32_t>(Events.size());
}

void CScreensManager::RunFades(float dt) {
    for (size_t i = 0; i < Fades.size();) {
        CFadeEntry& e = Fades[i];
        CUxWindow& w = *e.Window;
        if (e.Direction == 1) {
            e.Alpha += e.Speed * dt;
            if (e.Alpha < 1.0f) {
                w.SetAlpha(e.Alpha);
                ++i;
                continue;
            }
            w.SetAlpha(1.0f);
            w.Active = 1;
            Events.push_back({CUxEvent::kFadedIn, 0, 0, 0, e.Window, 0.0f});
        } else {
            e.Alpha -= e.Speed * dt;
            if (e.Alpha > 0.0f) {
                w.SetAlpha(e.Alpha);
                ++i;
                continue;
            }
            // Opaque again, so that a later plain show is not invisible.
            w.SetAlpha(1.0f);
            w.Active = 1;
            w.ResetPointerState();
            w.SetVisible(0);
            Events.push_back({CUxEvent::kFadedOut, 0, 0, 0, e.Window, 0.0f});
        }
        Fades.erase(Fades.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

void CScreensManager::RunWindowEffects(float dt) {
    for (size_t i = 0; i < WindowEffects.size();) {
        CWindowGroup& g = WindowEffects[i];
        if (g.Direction == 1) {
            g.Alpha += g.Speed * dt;
            if (g.Alpha < 1.0f) {
                SetWindowsAlpha(g.Windows, g.Alpha);
                ++i;
                continue;
            }
            SetWindowsAlpha(g.Windows, 1.0f);
        } else {
            g.Alpha -= g.Speed * dt;
            if (g.Alpha > 0.0f) {
                SetWindowsAlpha(g.Windows, g.Alpha);
                ++i;
                continue;
            }
            SetWindowsAlpha(g.Windows, 1.0f);
            SetWindowsVisible(g.Windows, 0);
            ResetWindowsPointerState(g.Windows);
        }
        WindowEffects.erase(WindowEffects.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

void CScreensManager::RunAlarm(float dt) {
    if (!CueActive || QuestMarkers.size() < 2)
        return;
    CueElapsed += dt;
    if (CueElapsed < CueDuration) {
        CuePhase += dt * CueRate;
        const float v = (1.0f - std::cos(CuePhase)) * 0.5f;
        const auto g = static_cast<uint32_t>(std::floor(v * kCueGreyRange + kCueGreyFloor));
        QuestMarkers[1]->SetAlpha(v);
        QuestMarkers[0]->SetColour(kOpaqueBlack + g * 0x10000u + g * 0x100u + g);
        return;
    }
    CueActive = 0;
    CuePhase = 0.0f;
    CueElapsed = 0.0f;
    QuestMarkers[1]->SetVisible(0);
    QuestMarkers[0]->SetColour(kWhite);
}

void CScreensManager::RunBlink(const CSharedPtr<CUxForm>& form, CWindowList& windows, float& timer,
                               float period, float dt) {
    if (form.IsNull() || !form->Visible || !form->Active)
        return;
    timer += dt;
    if (timer <= period)
        return;
    if (!windows.empty()) {
        CWindowGroup group;
        group.Windows = windows;
        if (windows.front()->Visible)
            RemoveWindowEffect(group, kBlinkFade);
        else
            AddWindowEffect(group, kBlinkFade);
    }
    timer = 0.0f;
}

void CScreensManager::PlaceClickHerePointer(float x, float y) {
    const CWindowList& group = TutorialGroups[4].Windows;
    if (group.empty() || TutorialForm.IsNull() || !QuestLayout)
        return;
    const CSharedPtr<CUxWindow>& w0 = group.front();
    // The layout keeps y pointing up; the point is measured down from the
    // picture's top edge.
    const float cx = QuestLayout->ClickHerePoint[0];
    const float cy = -QuestLayout->ClickHerePoint[1];
    const float ox = x - cx + w0->Width / 2.0f;
    const float oy = y + cy - w0->Height / 2.0f;
    TutorialForm->SetChildOffset(w0, ox, oy, w0->Offset.Z);
    for (size_t k = 1; k < TutorialPoints4.size() && k < group.size(); ++k) {
        const CSharedPtr<CUxWindow>& w = group[k];
        TutorialForm->SetChildOffset(w, ox + TutorialPoints4[k].X - TutorialPoints4[0].X,
                                     oy + TutorialPoints4[k].Y - TutorialPoints4[0].Y, w->Offset.Z);
    }
}

void CScreensManager::Hover(int32_t id, bool entered) {
    const int32_t on = entered ? 1 : 0;
    if (id == kIdWebsite) {
        // The lit logo while the pointer is on the link, the dim one otherwise.
        if (!LogoPictureA.IsNull())
            LogoPictureA->SetVisible(on);
        if (!LogoPictureNA.IsNull())
            LogoPictureNA->SetVisible(1 - on);
    } else if (id == kIdQuestMenu && !QuestCheckControl.IsNull()) {
        QuestCheckControl->SetVisible(on);
        SetWindowChecked(QuestCheckControl, 1);
    }
}

void CScreensManager::RoutePointer(float x, float y, float dt) {
    if (FormsManager.IsNull())
        return;
    const int32_t n = FormsManager->PointerMove(x, y, dt);
    for (int32_t i = 0; i < n && i < static_cast<int32_t>(FormsManager->Events.size()); ++i) {
        const CUxControlEvent e = FormsManager->Events[static_cast<size_t>(i)];
        switch (e.Kind) {
        case CUxControlEvent::kEntered:
            if (e.WindowType == CUxWindow::kButtonWindow ||
                e.WindowType == CUxWindow::kCheckboxWindow)
                PlaySound(ESound::MouseOver, x, true);
            Hover(e.Id, true);
            break;
        case CUxControlEvent::kLeft:
            Hover(e.Id, false);
            break;
        case CUxControlEvent::kValueChanged:
            if (e.Id == kIdSoundSlider || e.Id == kIdMusicSlider) {
                const CSharedPtr<CUxWindow>& s = e.Id == kIdSoundSlider ? SoundSlider : MusicSlider;
                const auto* scroller = dynamic_cast<const CUxScroller*>(s.Get());
                Events.push_back({CUxEvent::kValueChanged, e.Id, 0, 0, CSharedPtr<CUxWindow>(),
                                  scroller ? scroller->Value : 0.0f});
            }
            break;
        default:
            break;
        }
    }
}
