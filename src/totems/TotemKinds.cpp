#include "totems/TotemKinds.h"

#include <algorithm>

#include "audio/SoundBank.h"
#include "totems/BlueTotem.h"
#include "totems/GreenTotem.h"
#include "totems/OrangeTotem.h"
#include "totems/RedTotem.h"
#include "totems/TotemParams.h"
#include "totems/VioletTotem.h"
#include "totems/WhiteTotem.h"
#include "totems/YellowTotem.h"

namespace {

template <class T> CTotemColourParams* New() {
    return new T();
}
template <class T> CTotem* Figure() {
    return new T();
}

const CTotemKind kKinds[] = {
    {"Green", "255 229 128 255", "GreenTotem", ESound::TotemGreen1, New<CGreenTotemParams>,
     Figure<CGreenTotem>},
    {"Yellow", "115 198 255 255", "YellowTotem", ESound::TotemYellow1, New<CYellowTotemParams>,
     Figure<CYellowTotem>},
    {"Red", "200 240 255 255", "RedTotem", ESound::TotemRed1, New<CRedTotemParams>,
     Figure<CRedTotem>},
    {"Blue", "255 235 131 255", "BlueTotem", ESound::TotemBlue1, New<CBlueTotemParams>,
     Figure<CBlueTotem>},
    {"Orange", "255 248 154 255", "OrangeTotem", ESound::TotemOrange, New<COrangeTotemParams>,
     Figure<COrangeTotem>},
    {"White", "255 187 116 255", "WhiteTotem", ESound::TotemWhite1, New<CWhiteTotemParams>,
     Figure<CWhiteTotem>},
    {"Violet", "251 253 255 255", "VioletTotem", ESound::TotemViolet, New<CVioletTotemParams>,
     Figure<CVioletTotem>},
};

} // namespace

const CTotemKind& TotemKind(int32_t colour) {
    return kKinds[std::clamp(colour, 0, 6)];
}
