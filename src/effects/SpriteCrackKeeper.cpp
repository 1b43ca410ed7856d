#include "effects/SpriteCrackKeeper.h"

#include <algorithm>
#include <cmath>

#include "effects/KeeperMath.h"
#include "effects/Particles.h"

CSpriteCrackKeeper::CSpriteCrackKeeper() {
    SetParameters(0.5f, 0.5f, 0.0f, 0.0f, 1.0f, 1.0f, 5, 5, 0.25f);
}

void CSpriteCrackKeeper::SetParameters(float width, float height, float left, float top,
                                       float right, float bottom, int32_t columns, int32_t rows,
                                       float jaggedness) {
    pictureWidth_ = width;
    pictureHeight_ = height;
    left_ = left;
    top_ = top;
    right_ = right;
    bottom_ = bottom;
    columns_ = std::clamp(columns, 1, kMaxGrid);
    rows_ = std::clamp(rows, 1, kMaxGrid);
    jaggedness_ = jaggedness;
}

void CSpriteCrackKeeper::BuildPieces() {
    const int32_t cols = columns_;
    const int32_t rows = rows_;
    const float cw = 1.0f / static_cast<float>(cols);
    const float ch = 1.0f / static_cast<float>(rows);
    CellWidth = cw;
    CellHeight = ch;

    // Crack points: border points stay on the border, so the pieces tile the
    // rectangle without gaps.
    const size_t stride = static_cast<size_t>(cols) + 1;
    std::vector<float> gx(stride * (static_cast<size_t>(rows) + 1));
    std::vector<float> gy(gx.size());
    for (int32_t j = 0; j <= rows; ++j) {
        for (int32_t i = 0; i <= cols; ++i) {
            float x;
            if (i == 0)
                x = -0.5f;
            else if (i == cols)
                x = 0.5f;
            else
                x = -0.5f + i * cw + (2.0f * RandomFloat() - 1.0f) * jaggedness_ * cw;
            float y;
            if (j == 0)
                y = -0.5f;
            else if (j == rows)
                y = 0.5f;
            else
                y = -0.5f + j * ch + (2.0f * RandomFloat() - 1.0f) * jaggedness_ * ch;
            gx[static_cast<size_t>(j) * stride + static_cast<size_t>(i)] = x;
            gy[static_cast<size_t>(j) * stride + static_cast<size_t>(i)] = y;
        }
    }

    pieces_.assign(static_cast<size_t>(cols) * static_cast<size_t>(rows), Piece{});
    for (int32_t r = 0; r < rows; ++r) {
        for (int32_t c = 0; c < cols; ++c) {
            Piece& piece = pieces_[static_cast<size_t>(r) * static_cast<size_t>(cols) +
                                   static_cast<size_t>(c)];
            const float cx = -0.5f + cw / 2.0f + c * cw;
            const float cy = -0.5f + ch / 2.0f + r * ch;
            // Grid line 0 is the top of the texture; world y points up.
            piece.CentreX = cx;
            piece.CentreY = -cy;
            const int32_t corner[4][2] = {{r, c}, {r, c + 1}, {r + 1, c + 1}, {r + 1, c}};
            for (int k = 0; k < 4; ++k) {
                const size_t g = static_cast<size_t>(corner[k][0]) * stride +
                                 static_cast<size_t>(corner[k][1]);
                piece.Offsets[k][0] = (gx[g] - cx) * static_cast<float>(cols);
                piece.Offsets[k][1] = -(gy[g] - cy) * static_cast<float>(rows);
                piece.Uv[k][0] = left_ + (gx[g] + 0.5f) * (right_ - left_);
                piece.Uv[k][1] = top_ + (gy[g] + 0.5f) * (bottom_ - top_);
            }
        }
    }
}

int32_t CSpriteCrackKeeper::GetEmitCount(float) {
    if (AllEmitted)
        return 0;
    return std::max(static_cast<int32_t>(pieces_.size()) - std::max(NextPiece, 0), 0);
}

int32_t CSpriteCrackKeeper::InitParticle(int32_t, CCollectedParticle2& p, float, float, float) {
    if (NextPiece < 0 || static_cast<size_t>(NextPiece) >= pieces_.size())
        return 1;
    const Piece& piece = pieces_[static_cast<size_t>(NextPiece)];

    const CVector3 position{piece.CentreX * pictureWidth_ + X, piece.CentreY * pictureHeight_ + Y,
                            Z};
    const float width = CellWidth * pictureWidth_;
    const float height = CellHeight * pictureHeight_;
    const float spin = keeper::Vary(Spin, SpinSpread);
    p.Init(Colour, position.X, position.Y, position.Z, 0, 1.0f, width, height, 0.0f);
    p.Spin = spin;

    // Outward from the keeper; the centre piece takes a random diagonal.
    CVector3 d = position - CVector3{X, Y, Z};
    float len = d.Length();
    if (!(len > 0.0f)) {
        const float r = RandomFloat();
        d = {r, r, r};
        len = d.Length();
        if (!(len > 0.0f)) {
            d = {1.0f, 0.0f, 0.0f};
            len = 1.0f;
        }
    }
    d = d * (1.0f / len);

    d.X += (2.0f * RandomFloat() - 1.0f) * DirectionJitter;
    d.Y += (2.0f * RandomFloat() - 1.0f) * DirectionJitter;
    const float jittered = d.Length();
    if (jittered > 0.0f) {
        d.X /= jittered;
        d.Y /= jittered;
    }

    const float tilt = (2.0f * RandomFloat() - 1.0f) * TiltSpread;
    const CVector3 flight{std::cos(tilt) * d.X, d.Y, std::sin(tilt) * d.X};
    const float speed = keeper::Vary(Speed, SpeedSpread);
    p.Velocity = flight * speed;

    for (int k = 0; k < 4; ++k) {
        p.Uv[k] = {piece.Uv[k][0], piece.Uv[k][1]};
        p.Corners[k] = {piece.Offsets[k][0], piece.Offsets[k][1], 0.0f};
    }

    ++NextPiece;
    if (static_cast<size_t>(NextPiece) >= pieces_.size())
        AllEmitted = 1;
    return 1;
}

int32_t CSpriteCrackKeeper::UpdateParticle(int32_t, CCollectedParticle2& p, float dt, float,
                                           float, float) {
    p.Velocity.Y -= Gravity * dt;
    p.Position += p.Velocity * dt;
    p.Angle = WrapParticleAngle(p.Angle + p.Spin * dt);
    return Floor <= p.Position.Y ? 1 : 0;
}
