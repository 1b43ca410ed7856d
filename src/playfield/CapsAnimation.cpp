#include "playfield/CapsAnimation.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

#include "engine/ObjectLog.h"
#include "engine/TextTokenizer.h"
#include "playfield/CapsManager.h"

namespace {

const char* const kAnimationFile = "CapsAnimation.dat";

// Why a block could not be read; caught by ParseCapAnimation, which logs it.
struct ParseError {
    enum Code { EndOfFile = 0, UnexpectedToken = 1, WrongFrameNumber = 2 };
    int code;
    std::string token;
    int line;
    const char* why; // for the modder: what the reader was looking for
};

class BlockReader {
public:
    explicit BlockReader(CTextTokenizer& tokenizer) : tokenizer_(tokenizer) {}

    // The next token; the end of the file where one is needed is an error.
    const std::string& Next() {
        if (tokenizer_.NextToken(token_) == 0)
            throw ParseError{
                ParseError::EndOfFile, {}, tokenizer_.LineNumber(), "the file ends inside a block"};
        return token_;
    }
    std::string NextKeyword() {
        std::string word = Next();
        StrToUpper(word);
        return word;
    }
    int NextInt() {
        Next();
        return CurrentInt();
    }
    // The token just read as a decimal integer that fits an int; anything else
    // is an unexpected token.
    int CurrentInt() const {
        const char* begin = token_.c_str();
        char* end = nullptr;
        errno = 0;
        const long value = std::strtol(begin, &end, 10);
        if (end == begin || *end != '\0' || errno == ERANGE || value < INT_MIN || value > INT_MAX)
            Fail(ParseError::UnexpectedToken, "a whole number expected");
        return static_cast<int>(value);
    }
    [[noreturn]] void Fail(int code, const char* why) const {
        throw ParseError{code, token_, tokenizer_.LineNumber(), why};
    }

private:
    CTextTokenizer& tokenizer_;
    std::string token_;
};

void ReadBlock(CCapAnimation& record, BlockReader& in) {
    if (in.NextKeyword() != "TEXTURESIZE")
        in.Fail(ParseError::UnexpectedToken, "TEXTURESIZE expected");
    const int width = in.NextInt();
    if (width < 1)
        in.Fail(ParseError::UnexpectedToken, "a texture width of 1 or more expected");
    const int height = in.NextInt();
    if (height < 1)
        in.Fail(ParseError::UnexpectedToken, "a texture height of 1 or more expected");

    for (;;) {
        const std::string keyword = in.NextKeyword();
        if (keyword == "FRAME") {
            if (in.NextInt() != static_cast<int>(record.Frames.size()))
                in.Fail(ParseError::WrongFrameNumber,
                        "frames must be numbered 0, 1, 2 ... in order");
            CCapFrame frame;
            frame.Left = static_cast<float>(in.NextInt()) / static_cast<float>(width);
            frame.Top = static_cast<float>(in.NextInt()) / static_cast<float>(height);
            frame.Right = static_cast<float>(in.NextInt()) / static_cast<float>(width);
            frame.Bottom = static_cast<float>(in.NextInt()) / static_cast<float>(height);
            record.Frames.push_back(frame);
        } else if (keyword == "TRACK") {
            break;
        } else {
            in.Fail(ParseError::UnexpectedToken, "FRAME or TRACK expected");
        }
    }

    if (in.Next()[0] != '(')
        in.Fail(ParseError::UnexpectedToken, "\"(\" expected after TRACK");
    const int frameCount = static_cast<int>(record.Frames.size());
    while (in.Next()[0] != ')') {
        const int frame = in.CurrentInt();
        if (frame < 0 || frame >= frameCount)
            in.Fail(ParseError::WrongFrameNumber,
                    "the track names a frame the block does not have");
        record.Track.push_back(frame);
    }
    // A track must show something.
    if (record.Track.empty())
        in.Fail(ParseError::EndOfFile, "the track is empty");
}

} // namespace

CCapAnimation::CCapAnimation() {
    Frames.reserve(16);
    Track.reserve(32);
}

void CCapAnimation::Clear() {
    Frames.clear();
    Track.clear();
}

const CCapFrame* CCapAnimation::FrameAt(int trackPosition) const {
    if (Track.empty())
        return nullptr;
    const int last = static_cast<int>(Track.size()) - 1;
    const int p = trackPosition < 0 ? 0 : (trackPosition > last ? last : trackPosition);
    const int frame = Track[static_cast<size_t>(p)];
    if (frame < 0 || frame >= static_cast<int>(Frames.size()))
        return nullptr;
    return &Frames[static_cast<size_t>(frame)];
}

int ParseCapAnimation(CCapAnimation& record, CTextTokenizer& tokenizer, std::string_view file) {
    record.Clear();
    try {
        BlockReader in(tokenizer);
        ReadBlock(record, in);
        return 1;
    } catch (const ParseError& e) {
        switch (e.code) {
        case ParseError::EndOfFile:
            LogObject("Unexpected End of file\n");
            break;
        case ParseError::UnexpectedToken:
            LogObject("Unexpected Token " + QuoteToken(e.token, "<", ">") + " in Line " +
                      std::to_string(e.line) + "\n");
            break;
        case ParseError::WrongFrameNumber:
            LogObject("Wrong FrameNum in line " + std::to_string(e.line) + "\n");
            break;
        default:
            LogObject("Unknown error\n");
            break;
        }
        std::string reason = e.why;
        if (!e.token.empty())
            reason += ", found " + QuoteToken(e.token, "<", ">");
        LogFileFault(file, e.line, reason);
    } catch (...) {
        LogObject("Unknown error\n");
        LogFileFault(file, tokenizer.LineNumber(), "out of memory");
    }
    return 0;
}

int CCapsManager::LoadCapsAnimation(const std::string& dataFolder) {
    animations_.clear();
    CTextTokenizer tokenizer;
    const std::string path = dataFolder + kAnimationFile;
    if (tokenizer.Open(path) != 0) {
        // Reading on fails at once at the end of the (missing) file, which names
        // the cause in the log as well.
        LogObject(std::string("Unable to open file ") + kAnimationFile + "!\n");
    }
    CCapAnimation record;
    for (int i = 0; i < CCapAnimation::kRecordCount; ++i) {
        if (!ParseCapAnimation(record, tokenizer, path)) {
            LogObject("Unable to Load Caps Animation!\n");
            return 0;
        }
        animations_.push_back(record);
    }
    return 1;
}
