#pragma once
// The animations of the tokens, read from "CapsAnimation.dat": for every
// animation record the frame rectangles of its atlas (in texture units) and the
// track, the order in which the frames are shown. Record 0..6 serve the token
// colours and their dark variants, 7 steel, 8..16 the memory pictures.
//
// One block of the file:
//   TEXTURESIZE w h
//   FRAME 0 x0 y0 x1 y1        pixel edges left, top, right, bottom
//   FRAME 1 ...                frames numbered 0, 1, 2 ... in order
//   TRACK ( f f f ... )        at least one frame number; ")" ends the block
// Keywords in any letter case, '#' comments.
#include <cstdint>
#include <string_view>
#include <vector>

class CTextTokenizer;

struct CCapFrame {
    float Left = 0.0f, Top = 0.0f, Right = 0.0f, Bottom = 0.0f;
};

class CCapAnimation {
public:
    static constexpr int kRecordCount = 17;

    CCapAnimation();
    CCapAnimation(const CCapAnimation&) = default;
    CCapAnimation& operator=(const CCapAnimation&) = default;

    void Clear();
    // The frame shown at a track position. A position past the end of the track
    // shows the last entry and a negative one the first, so an owner that
    // expects a longer track never reads outside it; null for an empty record.
    const CCapFrame* FrameAt(int trackPosition) const;

    std::vector<CCapFrame> Frames;  // 16 reserved
    std::vector<int32_t> Track;     // 32 reserved; every entry indexes Frames
};

// Parses one block of `file` into `record` (cleared first). 1 on success; 0 after
// writing the message and then the file, the line and the reason to the object log.
int ParseCapAnimation(CCapAnimation& record, CTextTokenizer& tokenizer, std::string_view file);
