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
    int lineNumber = 0;
    bool lineGoesOn = false; // a line longer than the buffer reads as several, one number
    char buffer[kLineBuffer];
    while (const int length = os::ReadLineCounted(buffer, kLineBuffer, file)) {
        std::string line(buffer, static_cast<size_t>(length));
        if (!lineGoesOn)
            ++lineNumber;
        lineGoesOn = line.back() != '\n';
        CutNewline(line);
        const std::string name = SkipBlanks(StripQuotes(SkipBlanks(line)));
        if (name.empty())
            break;
        CSharedPtr<CTexture> texture =
            LoadFontTexture(device, fontsFolder + name + ".tga", "___Font_" + name);
        if (texture.IsNull()) {
            LogObject("Unable to load " + name + ".tga\n");
            LogFileFault(listPath, lineNumber,
                         "no font texture " + name + ".tga; this and the later fonts are left out");
            break;
        }
        CSharedPtr<CBitmapFont> font(new CBitmapFont(texture));
        std::string fault;
        if (!font->LoadDescription(fontsFolder + name + ".uxd", &fault)) {
            LogObject("Unable to load " + name + ".uxd\n");
            LogFileFault(fontsFolder + name + ".uxd", 0, fault);
            continue;
        }
        fonts.push_back(font);
        ++added;
    }
    std::fclose(file);
    return added;
}
