#pragma once
// The particle and glow textures of the effects, the game object and the
// backdrops: sparks, stars, halos, rings, the twirl, bolts, flares, sand
// grains, dust and fire clouds, and the gem lights and flares of the gem
// bonus. Each painter returns the finished 8-bit sheet in the layout its
// readers cut out of it:
//
//   Spark.bmp        64 x 64    one warm glow (terminator glow quads, spark streaks, bolt glow)
//   StarParticle.bmp 64 x 64    a four-pointed sparkle (trails, bursts, the star vortex)
//   SpellFuzzy.bmp   64 x 64    a soft wispy spell blob
//   Halo1.tga        128 x 128  a round halo, colour times alpha (screen and additive blends)
//   Ring.tga         128 x 128  a shock-wave ring
//   Twirl.tga        256 x 256  a glowing spiral, colour times alpha; its 4 x 4 cells
//                               are the pieces the time bonus's vortex throws
//   Lightning.jpg    64 x 256   a bolt running down the middle (u across, v along)
//   Flare.jpg        256 x 256  a rayed lens flare on black
//   JungleFlash.tga  256 x 256  a green-gold flash
//   PanelGlass.tga   256 x 256  a glass flash disc in [0, 140) x [0, 140)
//   SmallSand.tga    256 x 256  4 x 4 cells of sand grains
//   Cloud.jpg        256 x 256  4 x 4 dust puffs, straight colour, with
//                               "Cloud_alpha.jpg" their density (the game loads
//                               the pair: the dust is alpha blended)
//   FireCloud.jpg    256 x 256  4 x 4 fire puffs on black, colour times density
//   GemFlares.tga    256 x 256  big flares [0,128)x[0,128) and [128,256)x[0,128);
//                               four small flares of 64 x 64 at y [160, 224)
//   AllGemLights.jpg 512 x 256  4 x 2 cells of 128 x 128: the halo of each gem colour
//                               (+ "AllGemLights_alpha.jpg", their alpha)
#include "ArtCommon.h"

namespace gen {

Sheet PaintSpark();
Sheet PaintStarParticle();
Sheet PaintSpellFuzzy();
Sheet PaintHalo();
Sheet PaintRing();
Sheet PaintTwirl();
Sheet PaintLightning();
Sheet PaintFlare();
Sheet PaintJungleFlash();
Sheet PaintPanelGlass();
Sheet PaintSmallSand();
Sheet PaintCloud();
Sheet PaintFireCloud();
Sheet PaintGemFlares();
Sheet PaintGemLights();

// The halo colour (sRGB hex) of gem colour 0..7 (7: steel).
uint32_t GemLightColour(int colour);

}  // namespace gen
