// gv_formshots: draws every menu form of an assembled game folder over the
// menu backdrop on the OpenGL back end and writes one PNG per form, so that
// the menu look can be reviewed without playing through to each screen.
//
//     gv_formshots <game folder> <output folder>
//
// Runs without a display through SDL's offscreen video driver.
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/BitmapFont.h"
#include "engine/DataPaths.h"
#include "engine/FontList.h"
#include "engine/IndexBuffer.h"
#include "engine/RenderDevice.h"
#include "engine/RenderLayers.h"
#include "engine/Renderer.h"
#include "engine/SpriteLayer.h"
#include "engine/StringTable.h"
#include "engine/TextLayer.h"
#include "engine/VertexBuffer.h"
#include "platform/gpu/Inspection.h"
#include "platform/os/Window.h"
#include "tools/gen/MenuFormLoad.h"
#include "tools/lib/ImageWriter.h"
#include "ui/UxForm.h"
#include "ui/UxFormsManager.h"
#include "ui/UxWindow.h"

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kSharedVertices = 16384, kSharedIndices = 32768;
// Drawn behind every other form, as the game shows its menus.
constexpr const char* kBackdropForm = "Background";

class ManagerDrawer : public IFormsDrawer {
public:
    bool HasFormsManager() const override { return !Manager.IsNull(); }
    void Draw(int passTag) override {
        Manager->Prepare();
        Manager->Draw(passTag);
    }
    CSharedPtr<CUxFormsManager> Manager;
};

// Controls the game keeps hidden until they are needed, or shows one set at a
// time: the pictures show each form as it first appears (the first of the
// alternatives only).
struct HiddenAtFirst {
    const char* form;
    std::vector<int> codes; // every control with these codes
    int firstOnly;          // controls of this code after the first one
};
const HiddenAtFirst kHiddenAtFirst[] = {
    {"Help", {2, 3}, -1},
    {"Newspaper", {2, 3, 4}, -1},
    {"MsgBox", {101, 102, 103, 104}, -1},
    {"NewProfile", {5}, -1},
    {"Quest", {2, 8, 9, 15, 105, 202, 203}, -1},
    {"Tutorial", {0, 2, 3, 4, 6, 100, 201}, -1},
    {"Intro", {}, 1},
    {"Map", {2, 3, 4, 5, 30, 31}, -1},
    {"Trophies", {200, 201, 202, 203, 204, 205, 206, 207, 208}, -1},
};

void HideAsTheGameDoes(const std::string& form, const gen::BuiltMenuForm& built) {
    for (const HiddenAtFirst& h : kHiddenAtFirst) {
        if (form != h.form)
            continue;
        bool firstSeen = false;
        for (const auto& [code, control] : built.bound) {
            const bool listed = std::find(h.codes.begin(), h.codes.end(), code) != h.codes.end();
            const bool later = code == h.firstOnly && std::exchange(firstSeen, true);
            if (listed || later)
                control->SetVisible(0);
        }
    }
}

int Fail(const std::string& why) {
    std::fprintf(stderr, "gv_formshots: %s\n", why.c_str());
    return 1;
}

bool SaveShot(gpu::Inspection& gl, const fs::path& path) {
    std::vector<uint32_t> argb;
    gl.ReadBackBuffer(argb);
    const int w = int(gl.BackBufferWidth()), h = int(gl.BackBufferHeight());
    if (argb.size() < size_t(w) * size_t(h))
        return false;
    std::vector<uint8_t> rgb(size_t(w) * size_t(h) * 3);
    for (size_t i = 0; i < size_t(w) * size_t(h); ++i) {
        rgb[3 * i] = uint8_t(argb[i] >> 16);
        rgb[3 * i + 1] = uint8_t(argb[i] >> 8);
        rgb[3 * i + 2] = uint8_t(argb[i]);
    }
    return tk::WritePng(path.string(), {rgb.data(), w, h, 3});
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: gv_formshots <game folder> <output folder>\n");
        return 2;
    }
    std::string root = argv[1];
    if (root.back() != '/')
        root += '/';
    const fs::path out = argv[2];
    std::error_code ec;
    fs::create_directories(out, ec);
    if (ec)
        return Fail("cannot create " + out.string());
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return Fail(std::string("no video: ") + SDL_GetError());

    std::string error;
    std::unique_ptr<os::Window> window(os::Window::Create("forms", 1024, 768, &error));
    if (!window)
        return Fail("no window: " + error);
    gpu::Api* api = gpu::CreateApi();
    int rc = 0;
    {
        CRenderer renderer;
        VideoSettingsBlock settings;
        settings.width = 1024;
        settings.height = 768;
        if (renderer.CreateDevice(settings, api, window.get(), gpu::Fmt::D16) != gpu::kOk) {
            api->Release();
            return Fail("no OpenGL 3.3 device");
        }
        CSharedPtr<CRenderDevice> device = renderer.GetDevice();
        gpu::Inspection* gl = gpu::Inspect(device->GetDevice());
        CSharedPtr<CVertexBuffer> vb(new CVertexBuffer());
        CSharedPtr<CIndexBuffer> ib(new CIndexBuffer());
        const uint32_t usage = gpu::Usage::Dynamic | gpu::Usage::WriteOnly;
        if (!gl ||
            gpu::Failed(vb->Create(device->GetDevice(), kSharedVertices, sizeof(gpu::Vertex), usage,
                                   gpu::kFvfGame, gpu::Pool::Default)) ||
            gpu::Failed(ib->Create(device->GetDevice(), kSharedIndices, gpu::Fmt::Index16, usage,
                                   gpu::Pool::Default))) {
            rc = Fail("no shared buffers");
        } else {
            device->RegisterVertexBuffer(vb);
            device->RegisterIndexBuffer(ib);
            renderer.SetSharedBuffers(vb, ib);
            CDataPaths paths;
            LoadStringTable(root + paths.TxtPath + "Strings.txt",
                            root + paths.DataPath + "TextID.dat");
            const std::string fontsFolder = root + paths.FontsPath;
            std::vector<CSharedPtr<CBitmapFont>> fonts{CSharedPtr<CBitmapFont>(new CBitmapFont(
                LoadFontTexture(*device, fontsFolder + "Font.tga", "___Font_Font")))};
            fonts[0]->LoadDescription(fontsFolder + "Font.uxd");
            LoadAdditionalFonts(*device, fontsFolder, fontsFolder + "AdditionalFonts.lst", fonts);
            std::vector<gen::MenuTextureEntry> textures;
            if (!gen::ReadMenuTextureList(root + paths.FormsPath + "Textures.lst", textures) ||
                !gen::LoadMenuTextures(*device, root + paths.GfxPath, textures, error))
                rc = Fail("textures: " + error);
            const fs::path formsFolder = root + "Data/Forms";
            for (const auto& file : fs::directory_iterator(formsFolder, ec)) {
                if (rc != 0 || file.path().extension() != ".uxf")
                    continue;
                const std::string name = file.path().stem().string();
                CSharedPtr<CSpriteLayer> sprites(new CSpriteLayer(device, vb, ib));
                CSharedPtr<CTextLayer> texts(new CTextLayer(device, vb, ib));
                CSharedPtr<ManagerDrawer> drawer(new ManagerDrawer());
                drawer->Manager = CSharedPtr<CUxFormsManager>(new CUxFormsManager());
                for (const std::string& form : {std::string(kBackdropForm), name}) {
                    const gen::BuiltMenuForm built = gen::BuildMenuForm(
                        device, sprites, texts, fonts, (formsFolder / (form + ".uxf")).string());
                    if (built.form.IsNull()) {
                        std::fprintf(stderr, "gv_formshots: %s: %s\n", form.c_str(),
                                     built.error.c_str());
                        rc = 1;
                        break;
                    }
                    HideAsTheGameDoes(form, built);
                    drawer->Manager->AddForm(built.form);
                    if (form == name)
                        break;
                }
                renderer.SetFormsDrawer(drawer);
                if (rc == 0 &&
                    (renderer.RenderScene() != 0 || !SaveShot(*gl, out / (name + ".png"))))
                    rc = Fail("cannot draw " + name);
                renderer.SetFormsDrawer(CSharedPtr<IFormsDrawer>());
            }
        }
    }
    api->Release();
    return rc;
}
