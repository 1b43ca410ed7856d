// The screens' text lists: any bytes as the texture list either load (the
// pictures they name are missing here, which fails with the texture's name and
// a line naming the list) or end the loading cleanly; as the story file they
// always give 40 pages.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "engine/BitmapFont.h"
#include "engine/DataPaths.h"
#include "engine/IndexBuffer.h"
#include "engine/RenderDevice.h"
#include "engine/TextLayer.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"
#include "platform/gpu/recording/RecordingApi.h"
#include "playfield/LevelParams.h"
#include "playfield/QuestFieldLayout.h"
#include "screens/ScreensManager.h"

namespace {

const CSharedPtr<CRenderDevice>& Device() {
    static gpu::Api* api = gpu::CreateRecordingApi(gpu::RecordingConfig{});
    static const CSharedPtr<CRenderDevice> device = [] {
        CSharedPtr<CRenderDevice> d(new CRenderDevice(api, 0));
        if (d->Create(1024, 768, gpu::Fmt::X8R8G8B8, 0, 1, nullptr, gpu::Fmt::D16, 1, 0,
                      gpu::kSwapEffectDiscard, 0) != gpu::kOk)
            std::abort();
        return d;
    }();
    return device;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CDataPaths paths;
    fuzz::WriteInput("Data/Forms/Textures.lst", data, size);
    const std::string story = fuzz::WriteInput("Data/Txt/Story.txt", data, size);
    const std::vector<CSharedPtr<CBitmapFont>> fonts{
        CSharedPtr<CBitmapFont>(new CBitmapFont(CSharedPtr<CTexture>()))};
    CScreensManager screens(Device(), CSharedPtr<CVertexBuffer>(), CSharedPtr<CIndexBuffer>(),
                            CSharedPtr<CTextLayer>(), fonts);
    CQuestFieldLayout layout;
    CLevelParams params;
    // No form file is there: the loading can only fail.
    if (screens.LoadForms(&paths, &layout, &params) != 0)
        std::abort();
    CScreensManager pages(Device(), CSharedPtr<CVertexBuffer>(), CSharedPtr<CIndexBuffer>(),
                          CSharedPtr<CTextLayer>(), fonts);
    if (pages.LoadStory(story.c_str()) != 1 ||
        pages.StoryPages.size() != size_t(CScreensManager::kStoryPages))
        std::abort();
    return 0;
}
