#pragma once
// The chains laid over locked tokens and the cursor's light spot.
//
// "Chain.png" holds, in the rectangles of CapsLayout.h: a ring of dark iron
// links around the token (one chain), the ring with a second chain across the
// token from the upper left to the lower right (two chains), one loose link
// for the pieces of a breaking chain, and a white spark for the crackle of
// chained tokens. The iron is near black with bright highlights and a dark
// outline and shadow, so it reads over every gem colour.
//
// "CursorAdd.bmp" is the soft warm spot that the light pass multiplies with a
// token's light picture: bright in the middle, black at the border.
#include "Raster.h"

namespace gen {

// The whole chain texture, kChainWidth x kChainHeight.
FloatImage PaintChainTexture();
// The light spot, kCursorLightSize square, opaque.
FloatImage PaintCursorLight();

}  // namespace gen
