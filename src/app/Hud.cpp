#include "app/Hud.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

#include "app/Game.h"
#include "engine/BitmapFont.h"
#include "engine/IniHelpers.h"
#include "engine/Renderer.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "engine/StringTable.h"
#include "engine/TextLayer.h"
#include "engine/TextSprite.h"
#include "playfield/GemsBar.h"

namespace {

// Depth of the HUD texts: in front of the board's tokens and effects.
constexpr float kPanelDepth = -30.0f;
constexpr float kOverlayDepth = -40.0f;

// The panel: letter heights and the vertical rhythm of its rows.
constexpr float kCaptionScale = 32.0f;
constexpr float kSubCaptionScale = 20.0f;
constexpr float kLabelScale = 20.0f;
constexpr float kValueScale = 32.0f;
constexpr float kSubCaptionGap = 38.0f;   // caption top to sub-caption top
constexpr float kFirstRowGap = 84.0f;     // caption top to the first label
constexpr float kMinRowStep = 56.0f;
constexpr float kMaxRowStep = 86.0f;
constexpr float kValueGap = 24.0f;        // label top to value top
constexpr float kLineSpacing = 1.15f;     // font units between lines

constexpr uint32_t kLabelColour = 0xFFE8B450u;
constexpr uint32_t kSubCaptionColour = 0xFFF3E6C8u;
constexpr uint32_t kBodyColour = 0xFFFFF6E0u;

// The card over the board.
constexpr float kCardTitleScale = 64.0f;
constexpr float kCardSubtitleScale = 30.0f;
constexpr float kCardBodyScale = 26.0f;
constexpr float kCardHintScale = 22.0f;
constexpr float kCardGap = 18.0f;
constexpr float kCardMargin = 40.0f;  // kept free on each side of the body
constexpr float kPanePadding = 28.0f;  // around the card's texts
constexpr float kPaneDepth = -35.0f;   // between the board and the card
constexpr uint32_t kPaneColour = 0xB4000000u;

// On the tablet left of the board, in units from its top-left corner (each
// may be changed in section "QuestHud" of the skin file): the caption in the
// cartouche at its top; the score, time, gems and lives between the two
// friezes below it; the Golden Stars between the second frieze and the
// socket.
constexpr const char* kTabletDefaults[][2] = {
    {"CaptionTop", "46"},  {"SubCaptionTop", "86"}, {"Inset", "28"},
    {"LabelScale", "17"},  {"ValueScale", "22"},    {"Row0", "160"},
    {"Row1", "184"},       {"Row2", "208"},         {"Row3", "232"},
    {"Row4", "272"},
};

// Score counting: the share of the distance covered per second, and the least
// points per second, so that a small gap still closes quickly.
constexpr float kScoreRate = 5.0f;
constexpr float kScoreMinRate = 300.0f;

// How long the time row glows after time was won, and a red second's beat.
constexpr float kFlashTime = 1.0f;
constexpr float kPulseTime = 0.35f;

uint32_t WithAlpha(uint32_t colour, float alpha) {
    const float a = std::clamp(alpha, 0.0f, 1.0f) * static_cast<float>(colour >> 24);
    return (static_cast<uint32_t>(std::lround(a)) << 24) | (colour & 0x00FFFFFFu);
}

uint32_t Mix(uint32_t a, uint32_t b, float t) {
    t = std::clamp(t, 0.0f, 1.0f);
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const float x = static_cast<float>((a >> shift) & 0xFF);
        const float y = static_cast<float>((b >> shift) & 0xFF);
        out |= static_cast<uint32_t>(std::lround(x + (y - x) * t)) << shift;
    }
    return out;
}

size_t LineCount(const std::string& text) {
    return 1 + static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) +
           static_cast<size_t>(std::count(text.begin(), text.end(), '\v'));
}

} // namespace

CHud::CHud(CSharedPtr<CTextLayer> layer, CSharedPtr<CBitmapFont> numberFont,
           CSharedPtr<CBitmapFont> titleFont, CSharedPtr<CBitmapFont> captionFont,
           int32_t passNormal, int32_t passTop)
    : Layer(layer), NumberFont(numberFont), TitleFont(titleFont), CaptionFont(captionFont),
      PassNormal(passNormal), PassTop(passTop) {
    // A missing face borrows another, so every part of the HUD has a font
    // whenever any font is there.
    if (NumberFont.IsNull())
        NumberFont = !CaptionFont.IsNull() ? CaptionFont : TitleFont;
    if (CaptionFont.IsNull())
        CaptionFont = !TitleFont.IsNull() ? TitleFont : NumberFont;
    if (TitleFont.IsNull())
        TitleFont = CaptionFont;

    CaptionText = MakeText(CaptionFont, kCaptionScale, kGold, PassNormal);
    SubCaptionText = MakeText(CaptionFont, kSubCaptionScale, kSubCaptionColour, PassNormal);
    for (RowTexts& row : Rows) {
        row.LabelText = MakeText(CaptionFont, kLabelScale, kLabelColour, PassNormal);
        row.ValueText = MakeText(NumberFont, kValueScale, kWhite, PassNormal);
    }
    SetRowLabel(kScoreRow, GetString(64));
    SetRowLabel(kTimeRow, GetString(65));
    SetRowLabel(kLivesRow, GetString(66));
    SetRowLabel(kGemsRow, GetString(67));
    SetRowLabel(kStarsRow, GetString(68));
    LayoutPanel();
    ApplyPanelVisibility();
}

CHud::~CHud() {
    ClearMessages();
    DropCard();
    Drop(CaptionText);
    Drop(SubCaptionText);
    for (RowTexts& row : Rows) {
        Drop(row.LabelText);
        Drop(row.ValueText);
    }
}

CSharedPtr<CTextSprite> CHud::MakeText(const CSharedPtr<CBitmapFont>& font, float scale,
                                       uint32_t colour, int32_t pass) {
    if (Layer.IsNull() || font.IsNull())
        return CSharedPtr<CTextSprite>();
    CSharedPtr<CTextSprite> text(new CTextSprite(font));
    text->ScaleX = text->ScaleY = scale;
    text->Alignment = CTextSprite::AlignCentre;
    text->LineSpacing = kLineSpacing;
    text->Colour = colour;
    text->PassTag = pass;
    text->Visible = 0;
    text->SetText(" ");
    Layer->Add(text);
    return text;
}

void CHud::PlaceText(CTextSprite& text, float x, float y, float scale) {
    text.Position = CVector3(x, y, text.PassTag == PassTop ? kOverlayDepth : kPanelDepth);
    if (text.ScaleX != scale || text.ScaleY != scale)
        text.Build(scale, scale);
}

void CHud::SetTextString(const CSharedPtr<CTextSprite>& text, const std::string& value) {
    if (!text.IsNull() && text->GetText() != (value.empty() ? std::string(" ") : value))
        text->SetText(value);
}

void CHud::Drop(CSharedPtr<CTextSprite>& text) {
    if (!text.IsNull() && !Layer.IsNull())
        Layer->Remove(text);
    text = CSharedPtr<CTextSprite>();
}

void CHud::SetBoard(float left, float top, float width, float height) {
    BoardCentreX = left + 0.5f * width;
    BoardCentreY = top - 0.5f * height;
    BoardWidth = std::max(width, 100.0f);
}

void CHud::SetCardPane(CSharedPtr<CSpriteLayer> layer, CSharedPtr<CTexture> texture) {
    PaneLayer = layer;
    PaneTexture = texture;
}

void CHud::SetColumn(float centreX, float top, float bottom) {
    CHudLayout layout;
    layout.CaptionX = layout.LabelX = layout.ValueX = centreX;
    layout.CaptionTop = top;
    layout.SubCaptionTop = top - kSubCaptionGap;
    layout.SideBySide = false;
    layout.LabelScale = kLabelScale;
    layout.ValueScale = kValueScale;
    // The last value ends a line below its row's top.
    const float room = top - bottom - kFirstRowGap - kValueGap - kLineSpacing * kValueScale;
    const float step = std::clamp(room / static_cast<float>(kRows - 1), kMinRowStep, kMaxRowStep);
    for (int32_t i = 0; i < kRows; ++i)
        layout.RowTops[i] = top - kFirstRowGap - static_cast<float>(i) * step;
    SetLayout(layout);
}

void CHud::SetLayout(const CHudLayout& layout) {
    PanelLayout = layout;
    auto sane = [](float& scale, float fallback) {
        if (!(scale > 1.0f) || !std::isfinite(scale))
            scale = fallback;
    };
    sane(PanelLayout.LabelScale, kLabelScale);
    sane(PanelLayout.ValueScale, kValueScale);
    LayoutPanel();
}

void CHud::LayoutPanel() {
    const CHudLayout& l = PanelLayout;
    if (!CaptionText.IsNull())
        PlaceText(*CaptionText, l.CaptionX, l.CaptionTop, kCaptionScale);
    if (!SubCaptionText.IsNull())
        PlaceText(*SubCaptionText, l.CaptionX, l.SubCaptionTop, kSubCaptionScale);
    auto align = [](CTextSprite& text, int32_t alignment) {
        if (text.Alignment != alignment) {
            text.Alignment = alignment;
            text.Rebuild();
        }
    };
    for (size_t i = 0; i < Rows.size(); ++i) {
        const float y = l.RowTops[i];
        CTextSprite* label = Rows[i].LabelText.Get();
        CTextSprite* value = Rows[i].ValueText.Get();
        if (l.SideBySide) {
            // The smaller label sits on the value's line.
            const float drop = 0.75f * (l.ValueScale - l.LabelScale);
            if (label) {
                align(*label, CTextSprite::AlignLeft);
                PlaceText(*label, l.LabelX, y - drop, l.LabelScale);
            }
            if (value) {
                align(*value, CTextSprite::AlignRight);
                PlaceText(*value, l.ValueX, y, l.ValueScale);
            }
        } else {
            if (label) {
                align(*label, CTextSprite::AlignCentre);
                PlaceText(*label, l.LabelX, y, l.LabelScale);
            }
            if (value) {
                align(*value, CTextSprite::AlignCentre);
                PlaceText(*value, l.ValueX, y - kValueGap, l.ValueScale);
            }
        }
    }
    ApplyTimeLook();
}

void CHud::ApplyPanelVisibility() {
    auto show = [](const CSharedPtr<CTextSprite>& t, bool on) {
        if (!t.IsNull())
            t->Visible = on ? 1 : 0;
    };
    show(CaptionText, PanelShown && !Caption.empty());
    show(SubCaptionText, PanelShown && !SubCaption.empty());
    for (RowTexts& row : Rows) {
        show(row.LabelText, PanelShown && row.Shown && !row.Label.empty());
        show(row.ValueText, PanelShown && row.Shown);
    }
}

void CHud::ShowPanel(bool on) {
    PanelShown = on;
    ApplyPanelVisibility();
}

void CHud::SetCaption(const std::string& caption, const std::string& subCaption) {
    Caption = caption;
    SubCaption = subCaption;
    SetTextString(CaptionText, caption);
    SetTextString(SubCaptionText, subCaption);
    ApplyPanelVisibility();
}

void CHud::SetRowLabel(Row row, const std::string& label) {
    if (row < 0 || row >= kRows)
        return;
    RowTexts& r = Rows[static_cast<size_t>(row)];
    r.Label = label;
    SetTextString(r.LabelText, label);
    ApplyPanelVisibility();
}

void CHud::SetRowValue(Row row, const std::string& value) {
    if (row < 0 || row >= kRows)
        return;
    RowTexts& r = Rows[static_cast<size_t>(row)];
    if (r.Value == value)
        return;
    r.Value = value;
    SetTextString(r.ValueText, value);
}

void CHud::SetRowShown(Row row, bool shown) {
    if (row < 0 || row >= kRows)
        return;
    Rows[static_cast<size_t>(row)].Shown = shown;
    ApplyPanelVisibility();
}

void CHud::SetScore(int32_t score, bool animate) {
    TargetScore = std::max(score, 0);
    if (!animate || TargetScore < ShownScore) {
        ShownScore = TargetScore;
        ScoreCarry = 0.0f;
    }
    SetRowValue(kScoreRow, std::to_string(ShownScore));
}

void CHud::SetTime(float secondsLeft) {
    const float before = TimeLeft;
    TimeLeft = std::isfinite(secondsLeft) ? std::max(secondsLeft, 0.0f) : 0.0f;
    const bool red = TimeLeft < kRedTime;
    // Each second of the last ten beats once.
    if (red && std::ceil(TimeLeft) != std::ceil(before))
        TimePulse = 1.0f;
    if (red != TimeRed) {
        TimeRed = red;
        if (!red)
            TimePulse = 0.0f;
    }
    SetRowValue(kTimeRow, FormatClock(TimeLeft));
    ApplyTimeLook();
}

void CHud::FlashTime() {
    TimeFlash = 1.0f;
    ApplyTimeLook();
}

void CHud::ApplyTimeLook() {
    CSharedPtr<CTextSprite>& text = Rows[kTimeRow].ValueText;
    if (text.IsNull())
        return;
    uint32_t colour = TimeRed ? kRed : kWhite;
    if (TimeFlash > 0.0f)
        colour = Mix(colour, kGreen, TimeFlash);
    const float scale = PanelLayout.ValueScale * (1.0f + 0.25f * TimePulse + 0.15f * TimeFlash);
    if (text->Colour != colour) {
        text->Colour = colour;
        text->ApplyColour();
    }
    if (text->ScaleX != scale)
        text->Build(scale, scale);
}

void CHud::ShowMessage(const std::string& text, float duration, uint32_t colour, float scale,
                       float delay) {
    if (text.empty())
        return;
    // The board keeps at most a few messages; the oldest goes first.
    while (Messages.size() >= kMaxMessages) {
        Drop(Messages.front().Text);
        Messages.erase(Messages.begin());
        MessageStrings.erase(MessageStrings.begin());
    }
    Message m;
    m.Duration = std::isfinite(duration) ? std::max(duration, kMessagePop + 0.05f) : 1.5f;
    m.Age = std::isfinite(delay) ? -std::max(delay, 0.0f) : 0.0f;
    m.Scale = std::isfinite(scale) && scale > 1.0f ? scale : 54.0f;
    m.Colour = colour;
    m.Text = MakeText(TitleFont, m.Scale, colour, PassTop);
    if (!m.Text.IsNull()) {
        m.Text->SetText(text);
        // A message wider than the board (with its pop) is made smaller.
        const float room = BoardWidth - kCardMargin;
        const float width = 1.2f * (m.Text->ExtentRight - m.Text->ExtentLeft);
        if (width > room)
            m.Scale *= room / width;
        m.Text->Build(0.6f * m.Scale, 0.6f * m.Scale);
        m.Text->Colour = WithAlpha(colour, 0.0f);
        m.Text->ApplyColour();
    }
    Messages.push_back(m);
    MessageStrings.push_back(text);
    if (m.Age >= 0.0f)
        PlaceMessage(Messages.size() - 1);
}

void CHud::PlaceMessage(size_t index) {
    Message& m = Messages[index];
    const float lines = static_cast<float>(LineCount(MessageStrings[index]));
    const float height = lines * kLineSpacing * m.Scale;
    // Over a card the messages rise from its top edge, not from its middle.
    const float baseY = CardShown && !CardTexts.empty() ? CardTop + height + kCardGap
                                                          : BoardCentreY + 0.5f * height;
    // Older messages on screen make room above the new one, each above the
    // next newer one.
    float limit = baseY;
    for (size_t k = Messages.size(); k-- > 0;) {
        Message& older = Messages[k];
        if (k == index || !older.Placed)
            continue;
        const float olderHeight =
            static_cast<float>(LineCount(MessageStrings[k])) * kLineSpacing * older.Scale;
        const float top = older.BaseY + std::max(older.Age, 0.0f) * kMessageRise;
        const float need = limit + olderHeight + kMessageGap;
        if (top < need)
            older.BaseY += need - top;
        limit = older.BaseY + std::max(older.Age, 0.0f) * kMessageRise;
    }
    m.BaseY = baseY;
    m.Placed = true;
    if (!m.Text.IsNull()) {
        m.Text->Visible = 1;
        m.Text->Position = CVector3(BoardCentreX, baseY, kOverlayDepth);
    }
}

void CHud::ClearMessages() {
    for (Message& m : Messages)
        Drop(m.Text);
    Messages.clear();
    MessageStrings.clear();
}

std::vector<std::string> CHud::MessageTexts() const { return MessageStrings; }

void CHud::ShowCard(const std::string& title, const std::string& subtitle,
                    const std::string& body, const std::string& hint, uint32_t titleColour) {
    DropCard();
    CardShown = true;
    CardTitle = title;

    struct Part {
        const std::string* Text;
        CSharedPtr<CBitmapFont> Font;
        float Scale;
        uint32_t Colour;
        bool Wrap;
    };
    const Part parts[] = {
        {&title, TitleFont, kCardTitleScale, titleColour, false},
        {&subtitle, CaptionFont, kCardSubtitleScale, kSubCaptionColour, false},
        {&body, NumberFont, kCardBodyScale, kBodyColour, true},
        {&hint, CaptionFont, kCardHintScale, kLabelColour, false},
    };
    // Make the texts first, then stack them centred on the board.
    std::vector<std::pair<CSharedPtr<CTextSprite>, float>> made;
    float total = 0.0f;
    for (const Part& p : parts) {
        if (p.Text->empty())
            continue;
        CSharedPtr<CTextSprite> t = MakeText(p.Font, p.Scale, p.Colour, PassTop);
        if (t.IsNull())
            continue;
        std::string shown = *p.Text;
        if (p.Wrap) {
            t->BoxWidth = std::max(BoardWidth - 2.0f * kCardMargin, 50.0f) / p.Scale;
            std::string wrapped;
            t->WrapText(shown, wrapped);
            shown = wrapped;
        }
        t->SetText(shown);
        // A line too long for the pane is drawn smaller.
        const float room = std::max(BoardWidth - kCardMargin - 2.0f * kPanePadding, 50.0f);
        const float width = t->ExtentRight - t->ExtentLeft;
        if (!p.Wrap && width > room)
            t->Build(p.Scale * room / width, p.Scale * room / width);
        t->Visible = 1;
        const float height = static_cast<float>(LineCount(shown)) * kLineSpacing * t->ScaleY;
        total += height + (made.empty() ? 0.0f : kCardGap);
        made.emplace_back(t, height);
    }
    float y = BoardCentreY + 0.5f * total;
    CardTop = y + kPanePadding;
    if (!made.empty() && !PaneLayer.IsNull() && !PaneTexture.IsNull()) {
        const float height = total + 2.0f * kPanePadding;
        Pane = CSharedPtr<CSpriteQuad>(new CSpriteQuad(BoardCentreX, BoardCentreY, kPaneDepth,
                                                       BoardWidth - kCardMargin, height,
                                                       kPaneColour, PaneTexture, 1));
        Pane->SetBlend(1, CSpriteQuad::BlendNormal);
        Pane->DepthTest = 0;
        Pane->DepthWrite = 0;
        PaneLayer->Add(Pane);
    }
    for (auto& [text, height] : made) {
        text->Position = CVector3(BoardCentreX, y, kOverlayDepth);
        y -= height + kCardGap;
        CardTexts.push_back(text);
    }
}

void CHud::HideCard() {
    DropCard();
    CardShown = false;
    CardTitle.clear();
}

void CHud::DropCard() {
    for (CSharedPtr<CTextSprite>& t : CardTexts)
        Drop(t);
    CardTexts.clear();
    if (!Pane.IsNull() && !PaneLayer.IsNull())
        PaneLayer->Remove(Pane);
    Pane = CSharedPtr<CSpriteQuad>();
}

void CHud::Update(float dt) {
    if (!(dt > 0.0f) || !std::isfinite(dt))
        dt = 0.0f;

    // The score counts up towards its target.
    if (ShownScore < TargetScore) {
        const float gap = static_cast<float>(TargetScore - ShownScore);
        ScoreCarry += std::max(gap * kScoreRate, kScoreMinRate) * dt;
        const float step = std::floor(ScoreCarry);
        ScoreCarry -= step;
        ShownScore = static_cast<int32_t>(
            std::min(static_cast<float>(ShownScore) + step, static_cast<float>(TargetScore)));
        SetRowValue(kScoreRow, std::to_string(ShownScore));
    } else {
        ScoreCarry = 0.0f;
    }

    // The red seconds beat; won time glows.
    if (TimePulse > 0.0f || TimeFlash > 0.0f) {
        TimePulse = std::max(0.0f, TimePulse - dt / kPulseTime);
        TimeFlash = std::max(0.0f, TimeFlash - dt / kFlashTime);
        ApplyTimeLook();
    }

    // Messages pop in, rise slowly and fade at the end of their time.
    for (size_t i = 0; i < Messages.size();) {
        Messages[i].Age += dt;
        Message& m = Messages[i];
        if (m.Age >= m.Duration) {
            Drop(m.Text);
            Messages.erase(Messages.begin() + static_cast<std::ptrdiff_t>(i));
            MessageStrings.erase(MessageStrings.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        if (m.Age < 0.0f) {
            ++i;
            continue;
        }
        if (!m.Placed)
            PlaceMessage(i);
        if (!m.Text.IsNull()) {
            // It grows to a little more than its size, then settles.
            const float t = m.Age / kMessagePop;
            const float grow = t < 1.0f ? 0.6f + 0.5f * t
                                        : 1.0f + 0.1f * std::max(0.0f, 2.0f - t);
            const float scale = m.Scale * grow;
            if (std::fabs(m.Text->ScaleX - scale) > 0.01f)
                m.Text->Build(scale, scale);
            float alpha = std::min(t, 1.0f);
            const float left = m.Duration - m.Age;
            if (left < kMessageFade)
                alpha = std::min(alpha, left / kMessageFade);
            m.Text->Colour = WithAlpha(m.Colour, alpha);
            m.Text->ApplyColour();
            // Keep the text centred on its place while it grows.
            const float lines = static_cast<float>(LineCount(MessageStrings[i]));
            const float drift = 0.5f * lines * kLineSpacing * (scale - m.Scale);
            m.Text->Position = CVector3(BoardCentreX, m.BaseY + drift + m.Age * kMessageRise,
                                        kOverlayDepth);
        }
        ++i;
    }
}

void CGame::CreateHud() {
    CSharedPtr<CBitmapFont> main = Fonts.size() > 0 ? Fonts[0] : CSharedPtr<CBitmapFont>();
    CSharedPtr<CBitmapFont> title = Fonts.size() > 1 ? Fonts[1] : CSharedPtr<CBitmapFont>();
    CSharedPtr<CBitmapFont> caption = Fonts.size() > 2 ? Fonts[2] : CSharedPtr<CBitmapFont>();
    Hud = CSharedPtr<CHud>(new CHud(TextLayer, main, title, caption, kTextPassNormal, kTextPassTop));

    // Messages and cards are centred on the board; the panel stands in the
    // column left of the sand box.
    const float cellW = Layout.CellWidth > 0.0f ? Layout.CellWidth : 83.0f;
    const float cellH = Layout.CellHeight > 0.0f ? Layout.CellHeight : 83.0f;
    const float side = static_cast<float>(CPlayField::kBoardSide);
    Hud->SetBoard(Layout.BaseOrigin[0], Layout.BaseOrigin[1], side * cellW, side * cellH);
    Hud->SetCardPane(SpriteLayers[2], GameTexture("FieldBack"));
    // The panel goes on the stone tablet left of the board when the frame has
    // one (the leftmost frame piece, wholly left of the board): the caption in
    // the plate at its top, the rows side by side below it, clear of the
    // socket and the gem bar's grooves further down. Without a tablet the
    // rows stack in the column left of the board.
    const float originX = Layout.BaseOrigin[0], originY = Layout.BaseOrigin[1];
    const CFrameRect* tablet = nullptr;
    for (const CFrameRect& r : Layout.FrameRects)
        if (r.X + r.Width <= 0.0f && r.Width >= 150.0f && (!tablet || r.X < tablet->X))
            tablet = &r;
    if (tablet) {
        const float left = originX + tablet->X, top = originY + tablet->Y;
        const std::string skin = Paths.ConfigPath + "Skin.cfg";
        auto key = [&](const char* name) {
            for (const auto& d : kTabletDefaults)
                if (std::string_view(d[0]) == name)
                    return GetIniFloat(skin, "QuestHud", name, d[1]);
            return 0.0f;
        };
        const float inset = key("Inset");
        CHudLayout l;
        l.CaptionX = left + 0.5f * tablet->Width;
        l.CaptionTop = top - key("CaptionTop");
        l.SubCaptionTop = top - key("SubCaptionTop");
        l.SideBySide = true;
        l.LabelX = left + inset;
        l.ValueX = left + tablet->Width - inset;
        const char* const rows[CHud::kRows] = {"Row0", "Row1", "Row2", "Row3", "Row4"};
        for (int32_t i = 0; i < CHud::kRows; ++i)
            l.RowTops[i] = top - key(rows[i]);
        l.LabelScale = key("LabelScale");
        l.ValueScale = key("ValueScale");
        Hud->SetLayout(l);
        return;
    }
    const float frame = 14.0f;
    const float columnRight = std::min(Layout.SandRect[0], originX - frame) - 12.0f;
    const float columnLeft = -0.5f * CRenderer::kVirtualWidth + 12.0f;
    const float top = originY - 4.0f;
    float bottom = -0.5f * CRenderer::kVirtualHeight + 12.0f;
    if (!GemsBar.IsNull()) {
        const float gemX = originX + GemsBar->FirstSlot[0];
        const float gemTop = originY + GemsBar->FirstSlot[1] + 0.5f * GemsBar->GemSize;
        if (gemX < columnRight && gemTop < top - 200.0f)
            bottom = gemTop + 8.0f;
    }
    Hud->SetColumn(0.5f * (columnLeft + std::max(columnRight, columnLeft + 120.0f)), top, bottom);
}
