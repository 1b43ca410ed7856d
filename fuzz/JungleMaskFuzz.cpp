// "JungleFlashMask.bmp": any bytes must be read or refused without reading
// past the file, and a mask that is read must keep every firefly it lets be
// born inside it, however few of its cells are lit.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "backgrounds/JungleBackground.h"
#include "engine/Quad.h"
#include "engine/QuadLayer.h"
#include "engine/Texture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::WriteInput("Data/Gfx/JungleFlashMask.bmp", data, size);
    CJungleBackground jungle;
    CSharedPtr<CQuadLayer> quads(new CQuadLayer({}, {}, {}));
    jungle.AttachShared({}, {}, quads, {}, CSharedPtr<CTexture>(new CTexture()), {});
    jungle.LoadParams("");
    jungle.SetupGeometry();
    if (!jungle.LoadFlashMask(path))
        return 0;
    for (int frame = 0; frame < 20; ++frame) {
        jungle.Update(0.1f);
        quads->Update(0.1f);
        for (const CSharedPtr<CQuad>& q : jungle.Flashes)
            if (jungle.MaskAt(q->Position.X, q->Position.Y) < 0 && q->Age == 0.0f)
                __builtin_trap(); // born off the mask
    }
    return 0;
}
