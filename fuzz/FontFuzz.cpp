// The bitmap font description (binary) and the list of further fonts. A byte 0x01
// in the input splits it into the list and the description of the font "Font",
// whose picture is a valid one of our own; without one the input is tried as
// each beside a well-formed partner.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FieldHarness.h"
#include "FuzzSupport.h"
#include "engine/BitmapFont.h"
#include "engine/FontList.h"
#include "engine/Texture.h"

namespace {

// A 1 by 1 uncompressed true-colour picture.
std::vector<uint8_t> TinyTga() {
    std::vector<uint8_t> tga(18, 0);
    tga[2] = 2;
    tga[12] = 1;
    tga[14] = 1;
    tga[16] = 32;
    tga[17] = 8;
    for (int i = 0; i < 4; ++i)
        tga.push_back(0xFF);
    return tga;
}

void Load(fuzz::FieldHarness& harness, const uint8_t* list, size_t listSize,
          const uint8_t* description, size_t descriptionSize) {
    static const std::vector<uint8_t> tga = TinyTga();
    fuzz::WriteInput("Data/Fonts/Font.tga", tga.data(), tga.size());
    const std::string desc = fuzz::WriteInput("Data/Fonts/Font.uxd", description, descriptionSize);
    const std::string lst = fuzz::WriteInput("Data/Fonts/AdditionalFonts.lst", list, listSize);

    CBitmapFont single{CSharedPtr<CTexture>()};
    std::string fault;
    (void)single.LoadDescription(desc, &fault);

    std::vector<CSharedPtr<CBitmapFont>> fonts;
    LoadAdditionalFonts(harness.Device(), "Data/Fonts/", lst, fonts);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static CQuestFieldLayout layout;
    static fuzz::FieldHarness harness(layout);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0x01) {
            Load(harness, data, i, data + i + 1, size - i - 1);
            return 0;
        }
    }
    const std::vector<uint8_t> description(CBitmapFont::kDescriptionBytes, 0);
    const uint8_t list[] = {'F', 'o', 'n', 't', '\n', '"', 'F', 'o', 'n', 't', '"', '\n'};
    Load(harness, data, size, description.data(), description.size());
    Load(harness, list, sizeof list, data, size);
    return 0;
}
