#include "playerdata/Trophies.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "audio/SoundBank.h"
#include "effects/ParticleSystem.h"
#include "effects/ParticleSystemsManager.h"
#include "engine/IniHelpers.h"
#include "engine/ObjectLog.h"
#include "engine/QuadLayer.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "engine/TextSprite.h"
#include "engine/Texture.h"
#include "platform/os/Path.h"
#include "platform/os/TextFile.h"
#include "playerdata/BinaryIo.h"
#include "playerdata/FileFault.h"
#include "playerdata/SafeFile.h"
#include "screens/ScreensManager.h"
#include "ui/UxForm.h"

namespace {

constexpr const char* kLoadFailed = "Warning! Unable to load trophies information\n";
constexpr const char* kSaveFailed = "Can't save trophies information!\n";
constexpr const char* kDescriptionsFailed = "Error loading Trophies description\n";
constexpr int32_t kLevelsOf[CTrophies::kCount] = {2, 3, 3, 3, 3, 3, 3, 1, 3};
constexpr int32_t kTopLevel = 3;

// The thresholds of the trophies whose levels follow a rising tally.
constexpr int32_t kChainAt[3] = {6, 10, 15};
constexpr int32_t kScoreAt[3] = {500000, 1000000, 2500000};
constexpr int32_t kLevelsDoneAt[3] = {10, 20, 30};
constexpr int32_t kFrenziesAt[3] = {50, 100, 200};
// Trophy 1: a level per five levels in a row, from ten.
constexpr int32_t kUnbrokenStep = 5;
constexpr int32_t kBonusLevelsNeeded = 8;
// Trophy 8: at most this many seconds left for levels 1, 2 and 3.
constexpr int32_t kSecondsLeftAt[3] = {10, 5, 2};

// The level a rising tally reaches; 0 unless it is above `level`.
int32_t Rising(const int32_t (&at)[3], int32_t level, int32_t value) {
    if (level >= kTopLevel || value < at[level])
        return 0;
    return value < at[1] ? 1 : value < at[2] ? 2 : 3;
}

} // namespace

CTrophies::CTrophies() {
    Pending.reserve(8);
}

CTrophies::~CTrophies() {
    SetBackdrop(0);
}

int32_t CTrophies::MaxLevel(int32_t trophy) {
    return trophy >= 0 && trophy < kCount ? kLevelsOf[trophy] : 0;
}

void CTrophies::LoadSettings(const std::string& skinCfgPath) {
    // A zero time would divide the fly-in or the landing by nothing.
    constexpr float kShortest = 0.01f, kLongest = 60.0f;
    PompaTime = GetIniFloatClamped(skinCfgPath, kSection, "PompaTime", "1.5", kShortest, kLongest);
    PostTime = GetIniFloatClamped(skinCfgPath, kSection, "PostTime", "0.5", kShortest, kLongest);
    GetIniFloat2(BackgroundTSpeed, skinCfgPath, kSection, "BackgroundTSpeed", "0.0625 -0.038625");
    GetIniFloat2(BackgroundTSize, skinCfgPath, kSection, "BackgroundTSize", "1 0.75");
}

int32_t CTrophies::LoadDescriptions(const std::string& path) {
    Descriptions.assign(kCount, {});
    for (int32_t t = 0; t < kCount; ++t)
        Descriptions[static_cast<size_t>(t)].assign(static_cast<size_t>(kLevelsOf[t]), {});
    std::string text;
    if (!os::ReadTextFile(path, &text))
        return 0;
    size_t at = 0;
    int lineNo = 0;
    // The next line without its end; false at the end of the file.
    const auto next = [&](std::string& line) {
        if (at >= text.size())
            return false;
        const size_t end = std::min(text.find('\n', at), text.size());
        line.assign(text, at, end - at);
        at = end + 1;
        ++lineNo;
        return true;
    };
    std::string line;
    bool failed = !next(line);
    int32_t read = 0;
    for (int32_t t = 0; t < kCount && !failed; ++t) {
        for (std::string& description : Descriptions[static_cast<size_t>(t)]) {
            while (!(failed = !next(line)) && (line.empty() || line[0] != '#'))
                description += line + "\n";
            if (failed)
                break;
            ++read;
        }
    }
    if (failed) {
        LogObject(kDescriptionsFailed);
        LogFileFault(path, lineNo,
                     "the file ends after " + std::to_string(read) + " of " +
                         std::to_string(kDescriptionCount) + " descriptions");
        return 0;
    }
    return 1;
}

void CTrophies::SetResources(CSharedPtr<CScreensManager> screens,
                             CSharedPtr<CParticleSystemsManager> particles,
                             CSharedPtr<CQuadLayer> quads, CSharedPtr<CSpriteLayer> awardSprites,
                             CSharedPtr<CSpriteLayer> backdrop) {
    Screens = screens;
    Particles = particles;
    Quads = quads;
    AwardSprites = awardSprites;
    BackdropSprites = backdrop;
}

void CTrophies::SetTextures(CSharedPtr<CTexture> trail, CSharedPtr<CTexture> flash,
                            CSharedPtr<CTexture> backdrop, CSharedPtr<CTexture> glow) {
    Textures = {trail, flash, backdrop, glow};
}

int32_t CTrophies::Load(const std::string& path) {
    Reset();
    CByteReader in(os::Open(path, "rb"));
    std::string reason;
    if (!in.IsOpen())
        reason = "the file cannot be opened";
    for (int32_t t = 0; t < kCount && reason.empty(); ++t) {
        int32_t level = 0;
        if (!in.Int(level))
            reason = "the file ends before trophy " + std::to_string(t);
        else if (level < 0 || level > MaxLevel(t))
            reason = "trophy " + std::to_string(t) + " has level " + std::to_string(level);
        else
            Levels[static_cast<size_t>(t)] = ShownLevels[static_cast<size_t>(t)] = level;
    }
    if (reason.empty())
        return 1;
    LogObject(kLoadFailed);
    LogFileFaultDetail(path, in.Offset(), reason);
    return 0;
}

int32_t CTrophies::Save(const std::string& path) const {
    CByteWriter out;
    for (int32_t level : Levels)
        out.Int(level);
    CSafeFile file(path);
    if (file.Open() && file.Write(out.Data.data(), out.Data.size()) && file.Commit())
        return 1;
    LogObject(kSaveFailed);
    return 0;
}

void CTrophies::Reset() {
    Levels.assign(kCount, 0);
    ShownLevels.assign(kCount, 0);
}

int32_t CTrophies::CheckAward(int32_t trophy, int32_t value) const {
    if (trophy < 0 || trophy >= kCount)
        return 0;
    const int32_t level = Levels[static_cast<size_t>(trophy)];
    switch (trophy) {
    case kQuestWon:
        // A finished quest on a difficulty at least as high as the one
        // already honoured: level 1 for Normal, 2 for Hard.
        return value >= level ? std::min(value + 1, kLevelsOf[kQuestWon]) : 0;
    case kUnbroken:
        if (level >= kTopLevel || value < (level + 2) * kUnbrokenStep)
            return 0;
        return std::min((value - kUnbrokenStep) / kUnbrokenStep, kTopLevel);
    case kChain:
        return Rising(kChainAt, level, value);
    case kScore:
        return Rising(kScoreAt, level, value);
    case kRank:
        // Rank 3, 2, 1 of the high-score table; a rank below 1 is no rank.
        return value >= 1 && value < 4 - level ? 4 - value : 0;
    case kLevelsDone:
        return Rising(kLevelsDoneAt, level, value);
    case kFrenzies:
        return Rising(kFrenziesAt, level, value);
    case kBonusLevels:
        return value >= kBonusLevelsNeeded && level < 1 ? 1 : 0;
    default: // kCloseShave: fewer seconds left is better
        if (level >= kTopLevel || value > kSecondsLeftAt[level])
            return 0;
        return value > kSecondsLeftAt[1] ? 1 : value > kSecondsLeftAt[2] ? 2 : 3;
    }
}

void CTrophies::QueueAward(int32_t trophy, int32_t level) {
    if (level < 1 || level > MaxLevel(trophy))
        return;
    for (auto& [t, l] : Pending) {
        if (t == trophy) {
            l = std::max(l, level);
            return;
        }
    }
    Pending.emplace_back(trophy, level);
}

void CTrophies::CommitPendingAwards() {
    DropPopup();
    Phase = 0;
    PhaseTime = 0.0f;
    for (const auto& [t, l] : Pending) {
        Levels[static_cast<size_t>(t)] = ShownLevels[static_cast<size_t>(t)] = l;
        RefreshWindows();
    }
    Pending.clear();
}

void CTrophies::RefreshWindows() {
    if (Screens.IsNull())
        return;
    CScreensManager& s = *Screens;
    for (int32_t i = 0; i < kCount; ++i) {
        const size_t k = static_cast<size_t>(i);
        const int32_t shown = ShownLevels[k];
        if (k < s.TrophyGroups100.size())
            CScreensManager::SetWindowsVisible(s.TrophyGroups100[k].Windows, shown < 1);
        if (k >= s.TrophyGroups200.size())
            continue;
        const CWindowList& levels = s.TrophyGroups200[k].Windows;
        for (size_t n = 0; n < levels.size(); ++n)
            if (!levels[n].IsNull())
                levels[n]->SetVisible(static_cast<int32_t>(n) + 1 == shown);
    }
    ShowDescription(0, -1, 0.0f, 0.0f);
}

void CTrophies::ShowDescription(int32_t trophy, int32_t level, float mouseX, float mouseY) {
    if (Screens.IsNull())
        return;
    CScreensManager& s = *Screens;
    const size_t t = static_cast<size_t>(trophy);
    const size_t l = static_cast<size_t>(level - 1);
    CUxForm* form = s.TrophiesForm.Get();
    // The text, then boxes for ever more lines.
    const CWindowList& tip = s.TrophyIcons;
    if (level < 1 || !form || tip.size() < 2 || tip.size() > s.TrophyIconPositions.size() ||
        t >= Descriptions.size() || l >= Descriptions[t].size() || form->ScaleX == 0.0f ||
        form->ScaleY == 0.0f) {
        CScreensManager::SetWindowsVisible(tip, 0);
        return;
    }
    for (const CSharedPtr<CUxWindow>& w : tip)
        if (w.IsNull())
            return;
    // The last line's end would only add an empty line to the box.
    std::string_view text = Descriptions[t][l];
    while (!text.empty() && text.back() == '\n')
        text.remove_suffix(1);
    CUxWindow& label = *tip.front();
    CScreensManager::SetWindowText(tip.front(), text);

    // The least box that holds the text: the largest leaves the text window
    // the same margin above and below it.
    float textHeight = 0.0f;
    if (!label.Texts.empty()) {
        const CTextSprite::Box b = label.Texts.back()->LayoutBox();
        textHeight = b.Top - b.Bottom;
    }
    const float margin = 0.5f * (tip.back()->Height - label.Height);
    size_t box = tip.size() - 1;
    for (size_t k = 1; k < box; ++k)
        if (tip[k]->Height - 2.0f * margin >= textHeight - 0.5f) {
            box = k;
            break;
        }

    // Below and right of the pointer; mirrored about it where that would
    // leave the form, and kept inside the form when even that does not fit.
    const float x = std::floor(mouseX), y = std::floor(mouseY);
    const CScreenPoint& at = s.TrophyIconPositions[box];
    const CUxWindow& plaque = *tip[box];
    const float halfW = 0.5f * plaque.Width, halfH = 0.5f * plaque.Height;
    const float left = form->Position.X - 0.5f * form->Width;
    const float right = form->Position.X + 0.5f * form->Width;
    const float bottom = form->Position.Y - 0.5f * form->Height;
    const float top = form->Position.Y + 0.5f * form->Height;
    const auto fit = [](float centre, float shift, float half, float low, float high) {
        float c = centre + shift;
        if (c - half < low || c + half > high)
            c = centre - shift;
        return std::clamp(c, low + half, std::max(low + half, high - half)) - centre;
    };
    // How far the box moves from its usual place; the text moves with it.
    const float dx = fit(x, at.X, halfW, left, right) - at.X;
    const float dy = fit(y, at.Y, halfH, bottom, top) - at.Y;
    for (size_t k = 0; k < tip.size(); ++k) {
        const CSharedPtr<CUxWindow>& w = tip[k];
        const bool shown = k == 0 || k == box;
        if (shown) {
            const CScreenPoint& p = s.TrophyIconPositions[k];
            form->SetChildOffset(w, (x + dx - form->Position.X + p.X) / form->ScaleX,
                                 (y + dy - form->Position.Y + p.Y) / form->ScaleY, w->Offset.Z);
        }
        w->SetVisible(shown ? 1 : 0);
    }
}

CSharedPtr<CUxWindow> CTrophies::LevelWindow(int32_t trophy, int32_t level) const {
    if (Screens.IsNull() || trophy < 0 || level < 1)
        return CSharedPtr<CUxWindow>();
    const std::vector<CWindowGroup>& groups = Screens->TrophyGroups200;
    if (static_cast<size_t>(trophy) >= groups.size())
        return CSharedPtr<CUxWindow>();
    const CWindowList& windows = groups[static_cast<size_t>(trophy)].Windows;
    return static_cast<size_t>(level) <= windows.size() ? windows[static_cast<size_t>(level - 1)]
                                                        : CSharedPtr<CUxWindow>();
}
