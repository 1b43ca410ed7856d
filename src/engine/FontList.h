#pragma once
// Loading of the game's further fonts, listed in "AdditionalFonts.lst" in the
// fonts folder: one font name a line; the first empty line ends the list. A name
// N stands for the texture N.tga, registered with the device as "___Font_" + N,
// and the description N.uxd.
#include <string>
#include <vector>

#include "engine/SharedPtr.h"

class CBitmapFont;
class CRenderDevice;
class CTexture;

// How every font texture is loaded (one mip level, managed, the file's format).
CSharedPtr<CTexture> LoadFontTexture(CRenderDevice& device, const std::string& path,
                                     const std::string& name);

// Reads `listPath` and appends one font per listed name to `fonts`, with its
// texture and description from `fontsFolder` (a folder path ending in its
// separator). A texture that fails to load ends the list there; a description
// that fails drops that font with a log line "Unable to load N.uxd". Returns the
// number of fonts appended (0 also when the list cannot be opened).
int LoadAdditionalFonts(CRenderDevice& device, const std::string& fontsFolder,
                        const std::string& listPath, std::vector<CSharedPtr<CBitmapFont>>& fonts);
