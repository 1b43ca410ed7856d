#pragma once
// The screens object over the assembled game folder on the recording back end:
// the working directory is the game folder (the logos are looked up there),
// the players' folder and the object log live in a scratch folder, and the
// string table and fonts are the game's.
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/BitmapFont.h"
#include "engine/DataPaths.h"
#include "engine/FontList.h"
#include "engine/IndexBuffer.h"
#include "engine/RenderDevice.h"
#include "engine/StringTable.h"
#include "engine/TextLayer.h"
#include "engine/VertexBuffer.h"
#include "platform/gpu/recording/RecordingApi.h"
#include "playfield/LevelParams.h"
#include "playfield/QuestFieldLayout.h"
#include "screens/ScreensManager.h"
#include "support/CapturedLog.h"
#include "support/TempDir.h"

class ScreensTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::is_directory(std::string(GV_GAME_DIR) + "/Data"))
            GTEST_SKIP() << "the game folder has not been assembled";
        Cwd = std::make_unique<testsupport::ScopedCwd>(GV_GAME_DIR);
        Log = std::make_unique<testsupport::CapturedLog>(Scratch);
        Api = gpu::CreateRecordingApi(gpu::RecordingConfig{});
        Device = CSharedPtr<CRenderDevice>(new CRenderDevice(Api, 0));
        ASSERT_EQ(Device->Create(1024, 768, gpu::Fmt::X8R8G8B8, 0, 1, nullptr, gpu::Fmt::D16, 1, 0,
                                 gpu::kSwapEffectDiscard, 0),
                  gpu::kOk);
        const uint32_t usage = gpu::Usage::Dynamic | gpu::Usage::WriteOnly;
        Vertices = CSharedPtr<CVertexBuffer>(new CVertexBuffer());
        Indices = CSharedPtr<CIndexBuffer>(new CIndexBuffer());
        ASSERT_EQ(Vertices->Create(Device->GetDevice(), 65536, sizeof(gpu::Vertex), usage,
                                   gpu::kFvfGame, gpu::Pool::Default),
                  gpu::kOk);
        ASSERT_EQ(Indices->Create(Device->GetDevice(), 65536, gpu::Fmt::Index16, usage,
                                  gpu::Pool::Default),
                  gpu::kOk);
        LoadStringTable(Paths.TxtPath + "Strings.txt", Paths.DataPath + "TextID.dat");
        Fonts.push_back(CSharedPtr<CBitmapFont>(
            new CBitmapFont(LoadFontTexture(*Device, Paths.FontsPath + "Font.tga", "___Font"))));
        Fonts[0]->LoadDescription(Paths.FontsPath + "Font.uxd");
        Texts = CSharedPtr<CTextLayer>(new CTextLayer(Device, Vertices, Indices));
        Layout.Load(Paths.ConfigPath + "Skin.cfg");
        Paths.PlayersPath = Scratch.Folder();
    }
    void TearDown() override {
        Screens = CSharedPtr<CScreensManager>();
        Texts = CSharedPtr<CTextLayer>();
        Fonts.clear();
        Vertices = CSharedPtr<CVertexBuffer>();
        Indices = CSharedPtr<CIndexBuffer>();
        Device = CSharedPtr<CRenderDevice>();
        if (Api)
            Api->Release();
        Api = nullptr;
        Log.reset();
        Cwd.reset();
    }

    // A new screens object; LoadForms' result.
    int32_t Load() {
        Screens = CSharedPtr<CScreensManager>(
            new CScreensManager(Device, Vertices, Indices, Texts, Fonts));
        return Screens->LoadForms(&Paths, &Layout, &Params);
    }
    // Frames of dt seconds; the events of every frame, in order.
    std::vector<CUxEvent> Run(int frames, float dt) {
        std::vector<CUxEvent> all;
        for (int i = 0; i < frames; ++i) {
            Screens->Update(0.0f, 0.0f, dt);
            all.insert(all.end(), Screens->Events.begin(), Screens->Events.end());
        }
        return all;
    }

    testsupport::TempDir Scratch;
    std::unique_ptr<testsupport::ScopedCwd> Cwd;
    std::unique_ptr<testsupport::CapturedLog> Log;
    gpu::Api* Api = nullptr;
    CSharedPtr<CRenderDevice> Device;
    CSharedPtr<CVertexBuffer> Vertices;
    CSharedPtr<CIndexBuffer> Indices;
    std::vector<CSharedPtr<CBitmapFont>> Fonts;
    CSharedPtr<CTextLayer> Texts;
    CDataPaths Paths;
    CQuestFieldLayout Layout;
    CLevelParams Params;
    CSharedPtr<CScreensManager> Screens;
};
