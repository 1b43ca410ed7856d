#include "ui/UxFormDesc.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "engine/ObjectLog.h"
#include "engine/Random.h"
#include "engine/RenderDevice.h"
#include "engine/StringTable.h"
#include "engine/TextTokenizer.h"

namespace {

// Limits a sound form never reaches: a file past them is damaged or hostile.
constexpr size_t kMaxElements = 1024;
constexpr size_t kMaxDefines = 4096;
constexpr size_t kMaxTextLength = 16384;
constexpr float kMaxValue = 1.0e6f;
constexpr int32_t kMaxZOrder = 1000000;
// Texts taken from the string table are cut to the length a form text has.
constexpr size_t kMaxStringText = 2046;
constexpr int kPercent = 100;
constexpr int kByte = 255;

const char* const kUnexpectedEnd = "Unexpected end of file";
const char* const kUnknownError = "Unknown error";

struct ReadFault {
    std::string Message;
    int32_t Line;
    std::string Reason;
};

const char* TypeName(int32_t type) {
    switch (type) {
    case CUxElementDesc::kButton:
        return "BUTTON";
    case CUxElementDesc::kCheckbox:
        return "CHECKBOX";
    case CUxElementDesc::kScroller:
        return "SCROLLER";
    case CUxElementDesc::kProgressbar:
        return "PROGRESSBAR";
    default:
        return "STATIC";
    }
}

// The longest leading part of `text` that reads as a decimal number; 0 when
// it does not begin with one.
float LeadingFloat(const std::string& text) {
    size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        ++i;
    size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i, ++digits;
    }
    if (digits == 0)
        return 0.0f;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '-' || text[j] == '+'))
            ++j;
        if (j < text.size() && text[j] >= '0' && text[j] <= '9') {
            while (j < text.size() && text[j] >= '0' && text[j] <= '9')
                ++j;
            i = j;
        }
    }
    return std::strtof(text.substr(0, i).c_str(), nullptr);
}

// The longest leading signed decimal integer, held to the int32 range.
int32_t LeadingInt(const std::string& text) {
    size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        ++i;
    const size_t start = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        ++i;
    if (i == start)
        return 0;
    errno = 0;
    const long long v = std::strtoll(text.substr(0, i).c_str(), nullptr, 10);
    if (v > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

// A design rectangle (top-left corner, y down) scaled by k into a centre
// below the origin (ox, oy), y up; depth unchanged.
void PlaceRect(const float position[3], const float size[2], float k, float ox, float oy,
               float placed[3], float scaled[2]) {
    scaled[0] = size[0] * k;
    scaled[1] = size[1] * k;
    placed[0] = ox + position[0] * k + scaled[0] / 2.0f;
    placed[1] = oy - position[1] * k - scaled[1] / 2.0f;
    placed[2] = position[2];
}

class FormReader {
public:
    explicit FormReader(CTextTokenizer& tokenizer) : In(tokenizer) {}

    int32_t Line() const { return In.LineNumber(); }
    bool Next(std::string& token) { return In.NextToken(token) > 0; }
    // The next token; the end of the file is a fault.
    std::string Need(const char* where) {
        std::string token;
        if (!Next(token))
            throw ReadFault{kUnexpectedEnd, Line(), std::string("the file ends ") + where};
        return token;
    }
    std::string NeedKeyword(const char* where) {
        std::string token = Need(where);
        StrToUpper(token);
        return token;
    }
    [[noreturn]] void Unexpected(const std::string& token, const std::string& reason) {
        throw ReadFault{"Unexpected token " + QuoteToken(token) + ", line " +
                            std::to_string(Line()),
                        Line(), reason};
    }
    float Float(const char* keyword) {
        const float v = LeadingFloat(Need(Inside(keyword).c_str()));
        if (!std::isfinite(v) || std::fabs(v) > kMaxValue)
            throw ReadFault{kUnknownError, Line(),
                            std::string("a value of ") + keyword + " is out of range"};
        return v;
    }
    int32_t Int(const char* keyword) { return LeadingInt(Need(Inside(keyword).c_str())); }
    void Floats(const char* keyword, float* out, int n) {
        for (int i = 0; i < n; ++i)
            out[i] = Float(keyword);
    }
    std::string Name(const char* keyword) { return StripQuotes(Need(Inside(keyword).c_str())); }
    uint32_t Colour(const char* keyword);

private:
    static std::string Inside(const char* keyword) {
        return std::string("inside a ") + keyword + " statement";
    }
    [[noreturn]] void WrongColour(const char* keyword, const char* reason) {
        throw ReadFault{"Wrong color, line " + std::to_string(Line()), Line(),
                        std::string("the colour of ") + keyword + " " + reason};
    }
    std::string ColourToken(const char* keyword) {
        std::string token;
        if (!Next(token))
            WrongColour(keyword, "is cut off by the end of the file");
        return token;
    }
    CTextTokenizer& In;
};

uint32_t FormReader::Colour(const char* keyword) {
    std::string token = ColourToken(keyword);
    if (token != "(")
        return ParseHex(token);
    int32_t parts[4] = {0, 0, 0, 0};
    token = ColourToken(keyword);
    for (int i = 0; i < 4; ++i) {
        int64_t v = LeadingInt(token);
        if (v < 0)
            v = 0;
        token = ColourToken(keyword);
        if (token == "%") {
            v = std::min<int64_t>(v, kPercent) * kByte / kPercent;
            token = ColourToken(keyword);
        }
        if (i < 3 && token == ",")
            token = ColourToken(keyword);
        parts[i] = static_cast<int32_t>(std::min<int64_t>(v, kByte));
    }
    if (token != ")")
        WrongColour(keyword, "has no \")\" after its fourth component");
    return static_cast<uint32_t>(parts[3]) << 24 | static_cast<uint32_t>(parts[0]) << 16 |
           static_cast<uint32_t>(parts[1]) << 8 | static_cast<uint32_t>(parts[2]);
}

struct StateName {
    const char* Name;
    int32_t Index;
    // Element types that accept the name, as a bit per type code.
    uint32_t Types;
};

constexpr uint32_t Bit(int32_t type) {
    return 1u << type;
}
constexpr uint32_t kAllTypes = Bit(2) | Bit(3) | Bit(4) | Bit(5) | Bit(6);
constexpr uint32_t kButtons = Bit(CUxElementDesc::kButton) | Bit(CUxElementDesc::kCheckbox);

const StateName kStateNames[] = {
    {"NORMAL", CUxElementDesc::kNormal, kAllTypes},
    {"PRESSED", CUxElementDesc::kPressed, kButtons},
    {"OVER", CUxElementDesc::kOver, kButtons},
    {"DISABLED", CUxElementDesc::kDisabled, kButtons | Bit(CUxElementDesc::kScroller)},
    {"OVERPRESSED", CUxElementDesc::kOverPressed, Bit(CUxElementDesc::kCheckbox)},
    {"PRESSEDDISABLED", CUxElementDesc::kPressedDisabled, Bit(CUxElementDesc::kCheckbox)},
    {"SCROLLER", CUxElementDesc::kPressed, Bit(CUxElementDesc::kScroller)},
    {"PROGRESS", CUxElementDesc::kPressed, Bit(CUxElementDesc::kProgressbar)},
};

int32_t StateOf(FormReader& in, const CUxElementDesc& e, const char* keyword, bool normalToo) {
    const std::string name = in.NeedKeyword("inside a state statement");
    for (const StateName& s : kStateNames) {
        if (name != s.Name)
            continue;
        if ((s.Types & Bit(e.Type)) == 0 || (!normalToo && s.Index == CUxElementDesc::kNormal))
            in.Unexpected(name, std::string(keyword) + " " + name + " is not allowed in a " +
                                    TypeName(e.Type) + " element");
        return s.Index;
    }
    in.Unexpected(name, std::string(keyword) + " names no known state");
}

void ReadText(FormReader& in, CUxElementDesc& e) {
    const std::string token = in.Need("inside a TEXT statement");
    std::string piece;
    if (!token.empty() && token.front() == '"') {
        piece = StripQuotes(token);
    } else {
        piece = FindStringDefine(token);
        if (piece.empty())
            piece = token;
        else if (piece.size() > kMaxStringText)
            piece.resize(kMaxStringText);
    }
    if (!e.Text.empty())
        e.Text += '\n';
    e.Text += piece;
    if (e.Text.size() > kMaxTextLength)
        throw ReadFault{kUnknownError, in.Line(), "the text of an element is too long"};
}

// One element statement; false at the closing brace.
bool ReadElementStatement(FormReader& in, CUxElementDesc& e) {
    const std::string k = in.NeedKeyword("inside an ELEMENT block");
    if (k == "}")
        return false;
    const bool scroller = e.Type == CUxElementDesc::kScroller;
    const bool progress = e.Type == CUxElementDesc::kProgressbar;
    if (k == "POSITION") {
        in.Floats("POSITION", e.Position, 3);
    } else if (k == "SIZE") {
        in.Floats("SIZE", e.Size, 2);
    } else if (k == "ZORDER") {
        e.ZOrder = in.Int("ZORDER");
        if (std::abs(static_cast<int64_t>(e.ZOrder)) > kMaxZOrder)
            throw ReadFault{kUnknownError, in.Line(), "ZORDER is out of range"};
    } else if (k == "PICTURE") {
        in.Floats("PICTURE", e.PicturePosition, 3);
        e.HasPictureRect = 1;
        if (e.PictureSize[0] == 0.0f && e.PictureSize[1] == 0.0f) {
            e.PictureSize[0] = e.Size[0];
            e.PictureSize[1] = e.Size[1];
        }
    } else if (k == "PICTURESIZE") {
        in.Floats("PICTURESIZE", e.PictureSize, 2);
        e.HasPictureRect = 1;
    } else if (k == "TEXT") {
        ReadText(in, e);
    } else if (k == "TEXTCOLOR") {
        e.TextColour = in.Colour("TEXTCOLOR");
    } else if (k == "NOTESHIFT") {
        in.Floats("NOTESHIFT", e.TextShift, 3);
    } else if (k == "CHARSIZE") {
        in.Floats("CHARSIZE", e.CharSize, 2);
    } else if (k == "ALIGNMENT") {
        const std::string a = in.NeedKeyword("inside an ALIGNMENT statement");
        static const char* const kAlignments[] = {"LEFT", "RIGHT", "CENTER", "WIDTH"};
        e.Alignment = -1;
        for (int32_t i = 0; i < 4; ++i)
            if (a == kAlignments[i])
                e.Alignment = i;
        if (e.Alignment < 0)
            in.Unexpected(a, "ALIGNMENT takes LEFT, RIGHT, CENTER or WIDTH");
    } else if (k == "SPECIALNOTEWIDTH") {
        e.WrapWidth = in.Float("SPECIALNOTEWIDTH");
        e.WrapOn = 1;
    } else if (k == "TEXTSHADOW") {
        e.ShadowOn = 1;
    } else if (k == "TEXTSHADOWSHIFT") {
        in.Floats("TEXTSHADOWSHIFT", e.ShadowShift, 2);
        e.ShadowOn = 1;
    } else if (k == "TEXTSHADOWCOLOR") {
        e.ShadowColour = in.Colour("TEXTSHADOWCOLOR");
        e.ShadowOn = 1;
    } else if (k == "INTERVAL") {
        e.Interval = in.Float("INTERVAL");
    } else if (k == "FONT") {
        e.FontIndex = in.Int("FONT");
    } else if (k == "TEXTURE") {
        e.TextureName = in.Name("TEXTURE");
    } else if (k == "TEXTURESIZE") {
        in.Floats("TEXTURESIZE", e.TextureSize, 2);
    } else if (k == "COLOR") {
        e.Colour = in.Colour("COLOR");
    } else if (k == "FILTER") {
        const std::string f = in.NeedKeyword("inside a FILTER statement");
        if (f == "ADD")
            e.FilterMode = CUxElementDesc::kFilterAdd;
        else if (f == "MUL")
            e.FilterMode = CUxElementDesc::kFilterMul;
        else if (f == "SCREEN")
            e.FilterMode = CUxElementDesc::kFilterScreen;
        else
            in.Unexpected(f, "FILTER takes ADD, MUL or SCREEN");
    } else if (k == "INTERRUPT") {
        e.InterruptCode = in.Int("INTERRUPT");
        e.InterruptOn = 1;
    } else if (k == "SCROLLERSIZE" && scroller) {
        in.Floats("SCROLLERSIZE", e.ThumbSize, 2);
    } else if (k == "CENTERSHIFT" && scroller) {
        in.Floats("CENTERSHIFT", e.CentreShift, 2);
    } else if (k == "WIDTHFACTOR" && scroller) {
        e.WidthFactor = in.Float("WIDTHFACTOR");
    } else if (k == "VERTICAL" && (scroller || progress)) {
        e.Horizontal = 0;
    } else if (k == "STATE") {
        CUxStateDesc& s = e.States[static_cast<size_t>(StateOf(in, e, "STATE", true))];
        in.Floats("STATE", s.Corners, 8);
        s.Defined = 1;
    } else if (k == "TEXTSTATE") {
        CUxStateDesc& s = e.States[static_cast<size_t>(StateOf(in, e, "TEXTSTATE", false))];
        s.TextColour = in.Colour("TEXTSTATE");
        s.TextColourDefined = 1;
    } else {
        in.Unexpected(k, QuoteToken(k) + " is not a statement of a " +
                             std::string(TypeName(e.Type)) + " element");
    }
    return true;
}

CSharedPtr<CUxElementDesc> ReadElement(FormReader& in, float targetWidth) {
    CSharedPtr<CUxElementDesc> element(new CUxElementDesc());
    CUxElementDesc& e = *element;
    e.TargetWidth = targetWidth;
    e.Line = in.Line();
    const std::string type = in.NeedKeyword("after ELEMENT");
    static const char* const kTypes[] = {"STATIC", "BUTTON", "CHECKBOX", "SCROLLER", "PROGRESSBAR"};
    e.Type = 0;
    for (int32_t i = 0; i < 5; ++i)
        if (type == kTypes[i])
            e.Type = CUxElementDesc::kStatic + i;
    if (e.Type == 0)
        in.Unexpected(type, "ELEMENT takes STATIC, BUTTON, CHECKBOX, SCROLLER or PROGRESSBAR");
    std::string token = in.NeedKeyword("in an ELEMENT header");
    if (token == "ID") {
        e.IdName = in.Need("in an ELEMENT header");
        token = in.Need("in an ELEMENT header");
    }
    if (token != "{")
        in.Unexpected(token, "an element's statements begin with \"{\"");
    while (ReadElementStatement(in, e)) {
    }
    return element;
}

} // namespace

int32_t CUxFormDesc::Fail(std::string message, int32_t line, const std::string& reason) {
    Message = std::move(message);
    Detail = "Form file " + Path;
    if (line > 0)
        Detail += ", line " + std::to_string(line);
    Detail += ": " + reason;
    return 0;
}

int32_t CUxFormDesc::Read(std::string_view path) {
    Path.assign(path);
    CTextTokenizer tokenizer;
    if (tokenizer.Open(path) != 0)
        return Fail("Unable to open file " + Path, 0, "the file cannot be opened");
    FormReader in(tokenizer);
    try {
        std::string k;
        while (in.Next(k)) {
            StrToUpper(k);
            if (k == "SCREENWIDTH") {
                DesignWidth = in.Float("SCREENWIDTH");
            } else if (k == "DEFINE") {
                if (DefineNames.size() >= kMaxDefines)
                    throw ReadFault{kUnknownError, in.Line(), "too many DEFINE statements"};
                std::string name = in.Need("inside a DEFINE statement");
                const int32_t value = in.Int("DEFINE");
                DefineNames.push_back(std::move(name));
                DefineValues.push_back(value);
            } else if (k == "POSITION") {
                in.Floats("POSITION", Position, 3);
            } else if (k == "SIZE") {
                in.Floats("SIZE", Size, 2);
            } else if (k == "COLOR") {
                Colour = in.Colour("COLOR");
            } else if (k == "ELEMENT") {
                if (Elements.size() >= kMaxElements)
                    throw ReadFault{kUnknownError, in.Line(), "too many elements"};
                Elements.push_back(ReadElement(in, TargetWidth));
            } else if (k == "TILING") {
                TilingOn = 1;
                TilingLine = in.Line();
                const std::string brace = in.Need("after TILING");
                if (brace != "{")
                    in.Unexpected(brace, "TILING is followed by \"{\"");
                for (;;) {
                    std::string t = in.NeedKeyword("inside a TILING block");
                    if (t == "}")
                        break;
                    if (t == "CORNERS")
                        CornersName = in.Name("CORNERS");
                    else if (t == "SIDES")
                        SidesName = in.Name("SIDES");
                    else if (t == "BACKGROUND")
                        BackgroundName = in.Name("BACKGROUND");
                    else if (t == "HTILE")
                        in.Floats("HTILE", Tiling, 2);
                    else if (t == "VTILE")
                        in.Floats("VTILE", Tiling + 2, 2);
                    // Any other word of the block is skipped.
                }
            } else {
                in.Unexpected(k, QuoteToken(k) + " is not a statement of a form");
            }
        }
    } catch (const ReadFault& fault) {
        return Fail(fault.Message, fault.Line, fault.Reason);
    }
    return 1;
}

int32_t CUxFormDesc::Check() {
    if (TilingOn && (CornersName.empty() || SidesName.empty() || BackgroundName.empty()))
        return Fail("Not all tiling textures set", TilingLine,
                    "a TILING block needs CORNERS, SIDES and BACKGROUND");
    for (const CSharedPtr<CUxElementDesc>& element : Elements) {
        CUxElementDesc& e = *element;
        const auto fail = [&](const char* message, const std::string& reason) {
            e.Message = message;
            return Fail(message, e.Line,
                        std::string("the ") + TypeName(e.Type) + " element " + reason);
        };
        bool otherState = false;
        for (size_t i = 1; i < e.States.size(); ++i)
            otherState = otherState || e.States[i].Defined;
        const bool simple = e.Type == CUxElementDesc::kStatic ||
                            e.Type == CUxElementDesc::kButton ||
                            e.Type == CUxElementDesc::kCheckbox;
        if (!e.States[CUxElementDesc::kNormal].Defined) {
            if (!e.TextureName.empty() || !simple || otherState)
                return fail("Normal state not found", "has no STATE NORMAL");
        } else if (e.TextureName.empty()) {
            return fail("Texture name not set", "has a STATE NORMAL but no TEXTURE");
        }
        if (e.Type == CUxElementDesc::kScroller && !e.States[CUxElementDesc::kPressed].Defined)
            return fail("Scroller state not found", "has no STATE SCROLLER");
        if (e.Type == CUxElementDesc::kProgressbar && !e.States[CUxElementDesc::kPressed].Defined)
            return fail("Progress state not found", "has no STATE PROGRESS");
    }
    if (!(DesignWidth >= 1.0f))
        return Fail("ScreenWidth is too small", 0, "SCREENWIDTH must be 1 or more");
    return 1;
}

void CUxElementDesc::Scale(float designWidth, float ox, float oy) {
    const float k = TargetWidth / designWidth;
    PlaceRect(Position, Size, k, ox, oy, Placed, ScaledSize);
    if (HasPictureRect) {
        ScaledPictureSize[0] = PictureSize[0] * k;
        ScaledPictureSize[1] = PictureSize[1] * k;
        PictureOffset[0] = (PictureSize[0] / 2.0f + PicturePosition[0] - Size[0] / 2.0f) * k;
        PictureOffset[1] = -(PictureSize[1] / 2.0f + PicturePosition[1] - Size[1] / 2.0f) * k;
        PictureOffset[2] = PicturePosition[2];
    }
    ScaledTextShift[0] = TextShift[0] * k;
    ScaledTextShift[1] = TextShift[1] * k;
    ScaledTextShift[2] = TextShift[2];
    ScaledWrapWidth = WrapWidth * k;
    ShadowOffset[0] = ShadowShift[0] * k;
    ShadowOffset[1] = ShadowShift[1] * k;
    ShadowOffset[2] = kShadowDepth;
    const float tw = TextureSize[0] != 0.0f ? TextureSize[0] : 1.0f;
    const float th = TextureSize[1] != 0.0f ? TextureSize[1] : 1.0f;
    for (CUxStateDesc& s : States)
        for (int i = 0; i < 8; i += 2) {
            s.Normalised[i] = s.Corners[i] / tw;
            s.Normalised[i + 1] = s.Corners[i + 1] / th;
        }
    for (int i = 0; i < 2; ++i) {
        ScaledThumbSize[i] = ThumbSize[i] * k;
        ScaledCentreShift[i] = CentreShift[i] * k;
    }
}

void CUxFormDesc::Scale(float ox, float oy) {
    const float k = TargetWidth / DesignWidth;
    PlaceRect(Position, Size, k, ox, oy, Placed, ScaledSize);
    for (int i = 0; i < 4; ++i)
        ScaledTiling[i] = Tiling[i] * k;
    for (const CSharedPtr<CUxElementDesc>& e : Elements)
        e->Scale(DesignWidth, -ScaledSize[0] / 2.0f, ScaledSize[1] / 2.0f);
}

bool CUxFormDesc::FindDefine(std::string_view name, int32_t& value) const {
    for (size_t i = 0; i < DefineNames.size(); ++i) {
        if (DefineNames[i] == name) {
            value = DefineValues[i];
            return true;
        }
    }
    return false;
}

int32_t CUxFormDesc::ResolveIds() {
    for (const CSharedPtr<CUxElementDesc>& e : Elements) {
        e->ControlId = 0;
        if (e->IdName.empty())
            continue;
        if (!FindDefine(e->IdName, e->ControlId)) {
            e->Message = "ID " + QuoteToken(e->IdName, "", "") + " not found";
            return Fail(e->Message, e->Line, "no DEFINE gives the element's ID a number");
        }
    }
    return 1;
}

int32_t CUxFormDesc::CheckTextures(const CRenderDevice* device) {
    const auto loaded = [&](const std::string& name) {
        return device && !device->GetTextureByString(name).IsNull();
    };
    const auto missing = [&](const std::string& name, int32_t line) {
        return Fail("Texture " + QuoteToken(name, "", "") + " not found", line,
                    "the texture " + QuoteToken(name) + " is not loaded (see Textures.lst)");
    };
    if (TilingOn)
        for (const std::string* name : {&CornersName, &SidesName, &BackgroundName})
            if (!loaded(*name))
                return missing(*name, TilingLine);
    for (const CSharedPtr<CUxElementDesc>& e : Elements)
        if (e->States[CUxElementDesc::kNormal].Defined && !loaded(e->TextureName))
            return missing(e->TextureName, e->Line);
    return 1;
}
