#include "CapsLayout.h"

namespace gen {

namespace {

const char* const kTokenNames[kTokenRecords] = {
    "green emerald", "yellow topaz", "red ruby",    "blue sapphire",
    "orange amber",  "white diamond", "violet amethyst", "steel block"};

const char* const kCardNames[kCapsRecordCount - kTokenRecords] = {
    "card: jade serpent (kind 20)",     "card: topaz sun (kind 21)",
    "card: ruby mask (kind 22)",        "card: sapphire idol (kind 23)",
    "card: amber jaguar paw (kind 24)", "card: pearl moon (kind 25)",
    "card: amethyst pyramid (kind 26)", "card: blank face (kind 27)",
    "card back (kind 28)"};

}  // namespace

int MemoryAtlasOf(int record) { return (record - kTokenRecords) / 3; }
int MemoryRowOf(int record) { return (record - kTokenRecords) % 3; }

std::vector<CapsRecordLayout> CapsRecords() {
    std::vector<CapsRecordLayout> records;
    for (int r = 0; r < kTokenRecords; ++r) {
        CapsRecordLayout rec;
        rec.textureWidth = rec.textureHeight = kTokenAtlasSize;
        for (int f = 0; f < kTokenFrames; ++f)
            rec.frames.push_back({f * kTokenCell, r * kTokenCell, (f + 1) * kTokenCell, (r + 1) * kTokenCell});
        // A rest, then one sweep of the glint (the board plays the track while
        // the pointer rests on a token, at 20 positions a second).
        rec.track.assign(12, 0);
        for (int f = 1; f < kTokenFrames; ++f)
            rec.track.push_back(f);
        rec.comment = std::string(kTokenNames[r]) + " (kinds " + std::to_string(r) + ", " + std::to_string(r + 50) +
                      (r == kTokenRecords - 1 ? ", 100 and above)" : ")");
        records.push_back(rec);
    }
    for (int r = kTokenRecords; r < kCapsRecordCount; ++r) {
        CapsRecordLayout rec;
        rec.textureWidth = rec.textureHeight = kMemoryAtlasSize;
        const int row = MemoryRowOf(r);
        const int frames = r == kBackRecord ? kBackFrames : kCardFrames;
        for (int f = 0; f < frames; ++f)
            rec.frames.push_back({f * kMemoryCell, row * kMemoryCell, (f + 1) * kMemoryCell, (row + 1) * kMemoryCell});
        rec.track = r == kBackRecord ? std::vector<int>{0, 1} : std::vector<int>{2, 1, 0};
        rec.comment = std::string(kCardNames[r - kTokenRecords]) + ", MemCaps" +
                      std::to_string(MemoryAtlasOf(r) + 1) + ".tga";
        records.push_back(rec);
    }
    return records;
}

std::string CapsAnimationText(const std::vector<CapsRecordLayout>& records) {
    std::string text =
        "# Token animations: one block per record, in record order.\n"
        "#   0..6  the seven colours (and their dark variants), 7 steel,\n"
        "#   8..16 the memory cards, kinds 20..28.\n"
        "# TEXTURESIZE w h / FRAME n left top right bottom (texels) / TRACK ( frames ).\n";
    for (size_t i = 0; i < records.size(); ++i) {
        const CapsRecordLayout& rec = records[i];
        text += "\n# " + std::to_string(i) + ": " + rec.comment + "\n";
        text += "TEXTURESIZE " + std::to_string(rec.textureWidth) + " " + std::to_string(rec.textureHeight) + "\n";
        for (size_t f = 0; f < rec.frames.size(); ++f) {
            const PixelRect& q = rec.frames[f];
            text += "FRAME " + std::to_string(f) + " " + std::to_string(q.x0) + " " + std::to_string(q.y0) + " " +
                    std::to_string(q.x1) + " " + std::to_string(q.y1) + "\n";
        }
        text += "TRACK (";
        for (int t : rec.track)
            text += " " + std::to_string(t);
        text += " )\n";
    }
    return text;
}

}  // namespace gen
