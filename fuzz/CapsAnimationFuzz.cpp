// The caps animation file: every block the reader accepts must index only frames
// it has, whatever track position the drawing asks for.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "engine/TextTokenizer.h"
#include "playfield/CapsAnimation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::WriteInput("Data/CapsAnimation.dat", data, size);
    CTextTokenizer tokenizer;
    if (tokenizer.Open(path) != 0)
        return 0;
    CCapAnimation record;
    for (int i = 0; i < CCapAnimation::kRecordCount; ++i) {
        if (!ParseCapAnimation(record, tokenizer, path))
            break;
        if (record.Track.empty())
            std::abort();
        const int n = static_cast<int>(record.Track.size());
        for (int p : {-1, 0, n / 2, n - 1, n, n + 40}) {
            if (record.FrameAt(p) == nullptr)
                std::abort();
        }
    }
    return 0;
}
