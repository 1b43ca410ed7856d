// The Jungle's fireflies: the grey-level mask that says where they may glow,
// their births inside the slanted area and their drift towards a bright cell.
#include <cmath>
#include <cstdio>
#include <memory>

#include "backgrounds/BackdropKit.h"
#include "backgrounds/JungleBackground.h"
#include "engine/ObjectLog.h"
#include "engine/Quad.h"
#include "engine/QuadLayer.h"
#include "engine/Random.h"
#include "platform/os/Path.h"

using namespace backdrop;

namespace {

// The bitmap's headers: the file header with the pixel data's offset, then
// the information header with the width and height.
constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kPixelOffsetAt = 10;
constexpr size_t kInfoHeaderBytes = 40;
constexpr size_t kWidthAt = 4;
constexpr size_t kHeightAt = 8;
constexpr size_t kBytesPerPixel = 3;

// A firefly starts only on a cell brighter than this and flies only to a cell
// brighter than kEndThreshold.
constexpr int32_t kStartThreshold = 16;
constexpr int32_t kEndThreshold = 128;
constexpr int kEndTries = 10;
// A mask with too few bright cells would keep the search going for ever:
// after this many start points the firefly is given up.
constexpr int kStartTries = 200;
// A long frame (after a pause) does not bring a swarm.
constexpr int32_t kMaxBirthsPerFrame = 32;

uint32_t ReadU32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

struct MaskFault {
    int code;
    size_t offset;
    std::string reason;
};

void LogMaskFault(const std::string& path, const MaskFault& f) {
    LogObject(f.code == 0 ? "JungleFlashMask.bmp File not found!\n"
                          : "Error loading JungleFlashMask.bmp file!\n");
    LogObject(path + ", byte " + std::to_string(f.offset) + ": " + f.reason + "\n");
}

} // namespace

bool CJungleBackground::LoadFlashMask(const std::string& path) {
    Mask.clear();
    struct Closer {
        void operator()(FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<FILE, Closer> file(os::Open(path, "rb"));
    if (!file) {
        LogMaskFault(path, {0, 0, "the file cannot be opened"});
        return false;
    }
    unsigned char header[kFileHeaderBytes + kInfoHeaderBytes];
    const size_t got = std::fread(header, 1, sizeof header, file.get());
    if (got != sizeof header) {
        LogMaskFault(path, {1, got, "the headers end early"});
        return false;
    }
    const unsigned char* info = header + kFileHeaderBytes;
    const int32_t width = static_cast<int32_t>(ReadU32(info + kWidthAt));
    const int32_t height = static_cast<int32_t>(ReadU32(info + kHeightAt));
    if (width != kMaskColumns || height != kMaskRows) {
        LogMaskFault(path, {1, kFileHeaderBytes + kWidthAt,
                            "the picture is " + std::to_string(width) + " x " +
                                std::to_string(height) + ", not 256 x 102"});
        return false;
    }
    const uint32_t offset = ReadU32(header + kPixelOffsetAt);
    std::vector<uint8_t> pixels(size_t(kMaskColumns) * kMaskRows * kBytesPerPixel);
    if (std::fseek(file.get(), static_cast<long>(offset), SEEK_SET) != 0 ||
        std::fread(pixels.data(), 1, pixels.size(), file.get()) != pixels.size()) {
        LogMaskFault(path, {2, offset, "the pixel data ends early"});
        return false;
    }
    // Rows are stored bottom-up; each cell takes the first byte of its pixel.
    Mask.resize(size_t(kMaskColumns) * kMaskRows);
    for (int32_t r = 0; r < kMaskRows; ++r) {
        const uint8_t* row = &pixels[size_t(kMaskRows - 1 - r) * kMaskColumns * kBytesPerPixel];
        for (int32_t c = 0; c < kMaskColumns; ++c)
            Mask[size_t(r) * kMaskColumns + size_t(c)] = row[size_t(c) * kBytesPerPixel];
    }
    return true;
}

int32_t CJungleBackground::MaskAt(float x, float y) const {
    if (Mask.empty() || !(FlashWidth > 0.0f) || !(FlashHeight > 0.0f))
        return -1;
    const float c = std::floor((x - FlashLeft) / FlashWidth * kMaskColumns);
    const float r = std::floor((FlashTop - y) / FlashHeight * kMaskRows);
    if (!(c >= 0.0f && c < kMaskColumns && r >= 0.0f && r < kMaskRows))
        return -1;
    return Mask[size_t(r) * kMaskColumns + size_t(c)];
}

void CJungleBackground::MoveFlashes(float dt) {
    for (size_t i = 0; i < Flashes.size();) {
        CQuad& q = *Flashes[i];
        if (q.HoldEnd <= q.Age && q.Intensity <= 0.0f) {
            Flashes.erase(Flashes.begin() + static_cast<std::ptrdiff_t>(i));
            FlashVelocity.erase(FlashVelocity.begin() + static_cast<std::ptrdiff_t>(2 * i),
                                FlashVelocity.begin() + static_cast<std::ptrdiff_t>(2 * i + 2));
            continue;
        }
        q.Position.X += FlashVelocity[2 * i] * dt;
        q.Position.Y += FlashVelocity[2 * i + 1] * dt;
        ++i;
    }
}

void CJungleBackground::SpawnFlashes(float dt) {
    FlashTimer += dt;
    const float q = std::floor(FlashTimer / FlashT);
    if (!(q >= 1.0f))
        return;
    FlashTimer -= FlashT * q;
    // Without the mask, somewhere to draw them or their picture there are no
    // fireflies (the timer still runs, so none pile up).
    if (Mask.empty() || Quads.IsNull() || FlashTexture.IsNull())
        return;
    const int32_t births =
        q < float(kMaxBirthsPerFrame) ? static_cast<int32_t>(q) : kMaxBirthsPerFrame;
    for (int32_t i = 0; i < births; ++i)
        if (!SpawnFlash())
            return; // the mask offers nothing in reach: the next ones would fail too
}

bool CJungleBackground::SpawnFlash() {
    const float baseX = FlashLeft + kOffsetX;
    const float baseY = FlashTop - FlashHeight + kOffsetY;
    const float baseZ = FlashZ + kDepth;
    const float F = FlashCentreX;
    const float a = F - FlashLeft, b = FlashLeft + FlashWidth - F;
    for (int start = 0; start < kStartTries; ++start) {
        const float r1 = RandomFloat(), r2 = RandomFloat();
        const float px = baseX + r1 * FlashBasis[0] + r2 * FlashBasis[2];
        const float y = baseY + r1 * FlashBasis[1] + r2 * FlashBasis[3];
        // Pull x towards the centre with a cube: the fireflies crowd there.
        float x = px;
        if (px >= F && b > 0.0f) {
            const float t = (px - F) / b;
            x = F + t * t * t * b;
        } else if (px < F && a > 0.0f) {
            const float t = (F - px) / a;
            x = F - t * t * t * a;
        }
        const int32_t m = MaskAt(x, y);
        if (m <= kStartThreshold)
            continue;
        const float opacity = float(m) * FlashAlpha / 255.0f;
        const float life = (1.25f - 0.5f * RandomFloat()) * FlashLife;
        const float distance =
            (FlashMinSpeed + (FlashMaxSpeed - FlashMinSpeed) * RandomFloat()) * life;
        for (int k = 0; k < kEndTries; ++k) {
            const float angle = RandomFloat() * kTwoPi;
            const float ex = x + std::cos(angle) * distance;
            const float ey = y + std::sin(angle) * distance;
            if (MaskAt(ex, ey) <= kEndThreshold)
                continue;
            CSharedPtr<CQuad> quad(new CQuad(x, y, baseZ, FlashTexture, FlashColour));
            quad->SetScale(FlashSize, FlashSize);
            quad->AlphaMultiplier = opacity;
            quad->FlickerAmplitude = 0.0f;
            quad->HoldEnd = 0.5f * life;
            quad->FadeInTime = 0.9f * quad->HoldEnd;
            quad->FadeOutTime = quad->HoldEnd;
            Quads->Add(quad);
            Flashes.push_back(quad);
            FlashVelocity.push_back((ex - x) / life);
            FlashVelocity.push_back((ey - y) / life);
            return true;
        }
    }
    return false;
}
