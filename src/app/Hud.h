#pragma once
// The level HUD until the level screen's forms arrive: text sprites on the
// engine's text layer. A panel in the column left of the sand box shows the
// level caption and stage name, the score (counting up to its target), the
// time left (red and pulsing under ten seconds), the gems collected, lives and
// Golden Stars; message popups ("GOOD\nCOMBO", "NO MOVES!", ...) pop up over
// the centre of the board and fade; a card of centred texts over the board
// carries the level intro, the bonus-level intro, the results, a tutorial tip
// and the end-of-quest text.
//
// Fonts: the Title face for the card's title and the messages, the Caption
// face for captions and labels, the main font for numbers and body text. A
// missing face falls back to the main font; without any font the HUD keeps
// its model but shows nothing.
//
// Positions are virtual-screen units (origin at the centre, y up); a text's
// position is the top of its first line.
#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "engine/SharedPtr.h"
#include "engine/TextFormat.h"

class CBitmapFont;
class CSpriteLayer;
class CSpriteQuad;
class CTextLayer;
class CTextSprite;
class CTexture;

// Where the panel's texts stand (virtual units). Stacked: each label centred
// at LabelX over its value; side by side: the labels start at LabelX and the
// values end at ValueX on the same line. RowTops: the top of each row
// (score, time, gems, lives, stars).
struct CHudLayout {
    float CaptionX = -362.0f;
    float CaptionTop = 356.0f;
    float SubCaptionTop = 318.0f;
    bool SideBySide = false;
    float LabelX = -362.0f;
    float ValueX = -362.0f;
    float RowTops[5] = {272.0f, 186.0f, 100.0f, 14.0f, -72.0f};
    float LabelScale = 20.0f; // letter heights
    float ValueScale = 32.0f;
};

class CHud {
public:
    enum Row : int32_t { kScoreRow = 0, kTimeRow, kGemsRow, kLivesRow, kStarsRow, kRows };
    // Time left below which the clock turns red and pulses.
    static constexpr float kRedTime = 10.0f;
    // Seconds a message takes to pop in, and fades out at its end.
    static constexpr float kMessagePop = 0.15f;
    static constexpr float kMessageFade = 0.5f;
    static constexpr float kMessageRise = 18.0f; // units per second
    static constexpr float kMessageGap = 6.0f;   // between stacked messages
    static constexpr size_t kMaxMessages = 4;

    // Message colours (ARGB).
    static constexpr uint32_t kGold = 0xFFFFD24Au;
    static constexpr uint32_t kWhite = 0xFFFFFFFFu;
    static constexpr uint32_t kRed = 0xFFFF3C28u;
    static constexpr uint32_t kGreen = 0xFF6CFF5Au;
    static constexpr uint32_t kOrange = 0xFFFF9A2Eu;
    static constexpr uint32_t kSky = 0xFF8FD8FFu;

    // Any font may be empty (the others stand in for it); the layer may be
    // empty (nothing is drawn).
    CHud(CSharedPtr<CTextLayer> layer, CSharedPtr<CBitmapFont> numberFont,
         CSharedPtr<CBitmapFont> titleFont, CSharedPtr<CBitmapFont> captionFont, int32_t passNormal,
         int32_t passTop);
    // Takes every text of the HUD out of the layer.
    ~CHud();
    CHud(const CHud&) = delete;
    CHud& operator=(const CHud&) = delete;

    // The board rectangle (left, top edge, width, height): messages and the
    // card are centred on it.
    void SetBoard(float left, float top, float width, float height);
    // A dark pane behind the card, so that its texts read well over the
    // tokens: a sprite of `texture` (any opaque picture; it is drawn black)
    // in `layer`. Without it the card has no pane.
    void SetCardPane(CSharedPtr<CSpriteLayer> layer, CSharedPtr<CTexture> texture);
    // The panel's column: its centre x, the y of its top and the lowest y its
    // texts may reach (the rows close up to fit). Stacked rows.
    void SetColumn(float centreX, float top, float bottom);
    void SetLayout(const CHudLayout& layout);
    const CHudLayout& GetLayout() const { return PanelLayout; }

    // ---- The panel ----
    void ShowPanel(bool on);
    bool IsPanelShown() const { return PanelShown; }
    void SetCaption(const std::string& caption, const std::string& subCaption);
    void SetRowLabel(Row row, const std::string& label);
    void SetRowValue(Row row, const std::string& value);
    void SetRowShown(Row row, bool shown);
    // The score row: animate counts up from the shown value, else jumps.
    void SetScore(int32_t score, bool animate);
    // The time row as "m:ss"; under kRedTime red and pulsing.
    void SetTime(float secondsLeft);
    // The time row glows green for a moment (time won).
    void FlashTime();
    const std::string& GetCaption() const { return Caption; }
    const std::string& GetRowValue(Row row) const { return Rows[static_cast<size_t>(row)].Value; }
    const std::string& GetRowLabel(Row row) const { return Rows[static_cast<size_t>(row)].Label; }
    bool IsRowShown(Row row) const { return Rows[static_cast<size_t>(row)].Shown; }
    int32_t GetShownScore() const { return ShownScore; }
    int32_t GetTargetScore() const { return TargetScore; }
    bool IsTimeRed() const { return TimeRed; }

    // ---- Messages over the board ----
    // A message that pops up at the board's centre (older ones move up) after
    // `delay` seconds and fades after `duration` more; `scale` is the letter
    // height.
    void ShowMessage(const std::string& text, float duration, uint32_t colour = kGold,
                     float scale = 54.0f, float delay = 0.0f);
    void ClearMessages();
    size_t MessageCount() const { return Messages.size(); }
    // The texts of the messages on screen, oldest first.
    std::vector<std::string> MessageTexts() const;

    // ---- The card over the board ----
    // Title (big), a subtitle, a wrapped body and a hint line; empty parts are
    // left out. Replaces a card already shown.
    void ShowCard(const std::string& title, const std::string& subtitle, const std::string& body,
                  const std::string& hint, uint32_t titleColour = kGold);
    void HideCard();
    bool IsCardShown() const { return CardShown; }
    const std::string& GetCardTitle() const { return CardTitle; }

    // Score counting, time pulse and flash, message pops and fades.
    void Update(float dt);

private:
    struct RowTexts {
        CSharedPtr<CTextSprite> LabelText;
        CSharedPtr<CTextSprite> ValueText;
        std::string Label;
        std::string Value;
        bool Shown = true;
    };
    struct Message {
        CSharedPtr<CTextSprite> Text;
        float Age = 0.0f; // negative while it waits for its delay
        bool Placed = false;
        float Duration = 1.5f;
        float Scale = 54.0f;
        float BaseY = 0.0f;
        uint32_t Colour = kGold;
    };

    CSharedPtr<CTextSprite> MakeText(const CSharedPtr<CBitmapFont>& font, float scale,
                                     uint32_t colour, int32_t pass);
    void PlaceText(CTextSprite& text, float x, float y, float scale);
    void SetTextString(const CSharedPtr<CTextSprite>& text, const std::string& value);
    void Drop(CSharedPtr<CTextSprite>& text);
    void LayoutPanel();
    void ApplyPanelVisibility();
    void ApplyTimeLook();
    void DropCard();
    // Puts a message that has just appeared at the centre; older ones move up.
    void PlaceMessage(size_t index);

    CSharedPtr<CTextLayer> Layer;
    CSharedPtr<CBitmapFont> NumberFont;
    CSharedPtr<CBitmapFont> TitleFont;
    CSharedPtr<CBitmapFont> CaptionFont;
    int32_t PassNormal = -1;
    int32_t PassTop = -1;

    float BoardCentreX = 137.5f, BoardCentreY = 8.5f, BoardWidth = 664.0f;
    CHudLayout PanelLayout;

    bool PanelShown = false;
    std::string Caption;
    std::string SubCaption;
    CSharedPtr<CTextSprite> CaptionText;
    CSharedPtr<CTextSprite> SubCaptionText;
    std::array<RowTexts, kRows> Rows;

    int32_t TargetScore = 0;
    int32_t ShownScore = 0;
    float ScoreCarry = 0.0f;
    float TimeLeft = 0.0f;
    bool TimeRed = false;
    float TimePulse = 0.0f;
    float TimeFlash = 0.0f;

    std::vector<Message> Messages;
    std::vector<std::string> MessageStrings; // the model: one text per message

    CSharedPtr<CSpriteLayer> PaneLayer;
    CSharedPtr<CTexture> PaneTexture;
    CSharedPtr<CSpriteQuad> Pane;

    bool CardShown = false;
    float CardTop = 0.0f; // top edge of the card's texts (with the pane's padding)
    std::string CardTitle;
    std::vector<CSharedPtr<CTextSprite>> CardTexts;
};
