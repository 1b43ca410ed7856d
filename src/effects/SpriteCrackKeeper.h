#pragma once
// Shatters a picture: cuts a rectangle of a texture into a grid of irregular
// quadrilateral pieces along jagged crack lines (BuildPieces), then lets every
// piece fly apart from the picture's centre, spinning and falling, until it
// drops below a floor.
#include <cstdint>
#include <vector>

#include "effects/Collection2Keeper.h"

class CSpriteCrackKeeper : public CCollection2Keeper {
public:
    // The grid is kept within 1..kMaxGrid pieces each way.
    static constexpr int32_t kMaxGrid = 256;

    // One piece, in picture units (the picture spans -0.5..0.5 both ways, y up).
    struct Piece {
        float CentreX = 0.0f, CentreY = 0.0f;
        // Corner offsets from the centre in units of one cell, corners in grid
        // order: top-left, top-right, bottom-right, bottom-left.
        float Offsets[4][2] = {};
        float Uv[4][2] = {};
    };

    CSpriteCrackKeeper();

    int32_t UpdateParticle(int32_t index, CCollectedParticle2& particle, float dt, float x, float y,
                           float z) override;
    int32_t IsEmitting() override { return 1; }
    // The pieces not started yet (0 before BuildPieces).
    int32_t GetEmitCount(float dt) override;
    // Starts the next piece (whatever the record index); does nothing once every
    // piece has been started.
    int32_t InitParticle(int32_t index, CCollectedParticle2& particle, float x, float y,
                         float z) override;
    int32_t SetOrigin(float x, float y, float z, float) override { return StoreOrigin(x, y, z); }

    virtual void SetParameters(float width, float height, float left, float top, float right,
                               float bottom, int32_t columns, int32_t rows, float jaggedness);
    // Cuts the picture into columns x rows pieces. Building again replaces the
    // pieces but does not restart the pieces already thrown.
    virtual void BuildPieces();

    const std::vector<Piece>& Pieces() const { return pieces_; }
    int32_t GetColumns() const { return columns_; }
    int32_t GetRows() const { return rows_; }

    uint32_t Colour = 0x00FFFFFF;
    float Floor = -10.0f;
    float Speed = 1.0f;
    float SpeedSpread = 0.5f;
    // Random turn of the flight direction out of the picture's plane, radians
    // either way.
    float TiltSpread = 0.7853982f;
    float DirectionJitter = 0.25f;
    float Spin = 256.0f;
    float SpinSpread = 128.0f;
    float Gravity = 1.0f;
    int32_t AllEmitted = 0;
    int32_t NextPiece = 0;
    float CellWidth = 0.2f;
    float CellHeight = 0.2f;

private:
    float pictureWidth_ = 0.5f;
    float pictureHeight_ = 0.5f;
    float left_ = 0.0f, top_ = 0.0f, right_ = 1.0f, bottom_ = 1.0f;
    int32_t columns_ = 5;
    int32_t rows_ = 5;
    float jaggedness_ = 0.25f;
    std::vector<Piece> pieces_;
};
