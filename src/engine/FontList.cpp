#include "engine/FontList.h"

#include <cstdio>

#include "engine/BitmapFont.h"
#include "engine/ObjectLog.h"
#include "engine/RenderDevice.h"
#include "engine/TextTokenizer.h"
#include "engine/Texture.h"
#include "platform/os/Path.h"
#include "platform/os/TextFile.h"

namespace {

// Lines are read 511 characters at a time; a longer line goes on as the next one.
constexpr int kLineBuffer = 512;

} // namespace

CSharedPtr<CTexture> LoadFontTexture(CRenderDevice& device, const std::string& path,
                                     const std::string& name) {
    return device.LoadTexture(path, name, 1, 0, gpu::Pool::Managed, gpu::Fmt::Unknown);
}

int LoadAdditionalFonts(CRenderDevice& device, const std::string& fontsFolder,
                        const std::string& listPath, std::vector<CSharedPtr<CBitmapFont>>& fonts) {
    FILE* file = os::Open(listPath, "r");
    if (!file)
        return 0;
    int added = 0;
    char buffer[kLineBuffer];
    while (os::ReadLine(buffer, kLineBuffer, file)) {
        std::string line(buffer);
        CutNewline(line);
        const std::string name = SkipBlanks(StripQuotes(SkipBlanks(line)));
        if (name.empty())
            break;
        CSharedPtr<CTexture> texture =
            LoadFontTexture(device, fontsFolder + name + ".tga", "___Font_" + name);
        if (texture.IsNull())
            break;
        CSharedPtr<CBitmapFont> font(new CBitmapFont(texture));
        if (!font->LoadDescription(fontsFolder + name + ".uxd")) {
            LogObject("Unable to load " + name + ".uxd\n");
            continue;
        }
        fonts.push_back(font);
        ++added;
    }
    std::fclose(file);
    return added;
}
