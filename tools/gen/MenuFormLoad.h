#pragma once
// Builds the generated menu forms from an assembled game folder the way the
// game does: the textures of "Data\Forms\Textures.lst" registered first, then
// each form read, checked and built control by control. Used by the data
// checks and by the command that draws every form for review.
#include <map>
#include <string>
#include <vector>

#include "engine/SharedPtr.h"

class CBitmapFont;
class CRenderDevice;
class CSpriteLayer;
class CTextLayer;
class CUxForm;
class CUxWindow;

namespace gen {

// One entry of the texture list.
struct MenuTextureEntry {
    std::string file; // a game path below the pictures folder
    std::string name; // registry name
    bool alpha = false;
    bool companion = false; // alpha from an "_alpha." companion picture
    int mipLevels = 0;
};
// Reads the list; a truncated last entry is dropped. False when the file
// cannot be opened.
bool ReadMenuTextureList(const std::string& path, std::vector<MenuTextureEntry>& entries);
// Loads and registers every listed texture from `gfxFolder`; false with the
// failing file in `error`.
bool LoadMenuTextures(CRenderDevice& device, const std::string& gfxFolder,
                      const std::vector<MenuTextureEntry>& entries, std::string& error);

struct BuiltMenuForm {
    CSharedPtr<CUxForm> form;
    // How many controls carry each INTERRUPT code.
    std::map<int, int> codes;
    // Every control with a code, in building order.
    std::vector<std::pair<int, CSharedPtr<CUxWindow>>> bound;
    // The reader's message and its detail line when building failed.
    std::string error;
};
BuiltMenuForm BuildMenuForm(CSharedPtr<CRenderDevice> device, CSharedPtr<CSpriteLayer> sprites,
                            CSharedPtr<CTextLayer> texts,
                            const std::vector<CSharedPtr<CBitmapFont>>& fonts,
                            const std::string& formPath);

} // namespace gen
