// A small form file drawn through the renderer on the OpenGL back end
// (offscreen): the tiled skin, a button and a caption land where the file
// puts them.
#include <gtest/gtest.h>

#include <string>

#include "UiTestSupport.h"
#include "engine/RenderLayers.h"
#include "support/CapturedLog.h"
#include "support/GlScene.h"
#include "support/TempDir.h"
#include "ui/UxForm.h"
#include "ui/UxFormFile.h"
#include "ui/UxFormsManager.h"

namespace uitest {
namespace {

// What the screens object will be to the renderer: the holder of the manager.
class ManagerDrawer : public IFormsDrawer {
public:
    bool HasFormsManager() const override { return !Manager.IsNull(); }
    bool BoxShown() const override { return Manager->BoxShown(); }
    void Draw(int passTag, int part) override {
        Manager->Prepare();
        Manager->Draw(passTag, part);
    }
    CSharedPtr<CUxFormsManager> Manager;
};

class UxDrawTest : public ::testing::Test, public testsupport::GlScene {
protected:
    void SetUp() override {
        Open("forms");
        if (!IsSkipped() && !HasFatalFailure()) {
            vb_ = renderer_->GetSharedVertexBuffer();
            ib_ = renderer_->GetSharedIndexBuffer();
        }
    }
    void TearDown() override {
        vb_ = CSharedPtr<CVertexBuffer>();
        ib_ = CSharedPtr<CIndexBuffer>();
        Close();
    }
    // A registered 8 by 8 texture: `left` in its left half, `right` in the other.
    CSharedPtr<CTexture> Halves(const std::string& name, uint32_t left, uint32_t right) {
        return Texture(name, 8, 8, [=](uint32_t x, uint32_t) { return x < 4 ? left : right; });
    }
    // The colour (0xRRGGBB) under a point of the virtual screen.
    uint32_t Rgb(float x, float y) const { return At(x, y) & 0xFFFFFFu; }

    testsupport::CapturedLog objectLog_;
    testsupport::TempDir dir_;
    CSharedPtr<CVertexBuffer> vb_;
    CSharedPtr<CIndexBuffer> ib_;
};

TEST_F(UxDrawTest, SkinButtonAndCaptionLandWhereTheFileSays) {
    Halves("Corners", 0xFFFF0000u, 0xFFFF0000u);
    Halves("Sides", 0xFF00FF00u, 0xFF00FF00u);
    Halves("Back", 0xFF0000FFu, 0xFF0000FFu);
    Halves("Btn", 0xFFFFFFFFu, 0xFF000000u);
    // Glyphs are bars over the left half of their cell.
    CSharedPtr<CBitmapFont> font = UnitFont(16);
    font->Texture = Halves("___Font_Bars", 0xFFFFFFFFu, 0x00000000u);

    const std::string path = dir_.Write(
        "Data/Forms/Small.uxf",
        "POSITION 312 234 0 SIZE 400 300\n"
        "TILING { CORNERS Corners SIDES Sides BACKGROUND Back HTILE 64 24 VTILE 32 128 }\n"
        "ELEMENT BUTTON { POSITION 150 200 0 SIZE 100 40 ZORDER -1 COLOR FFFF00FF\n"
        "  TEXTURE Btn TEXTURESIZE 8 8 STATE NORMAL 0 0 4 0 4 8 0 8 }\n"
        "ELEMENT STATIC { POSITION 50 50 0 SIZE 300 40 ZORDER -1 CHARSIZE 2 2\n"
        "  TEXT \"ABC\" TEXTCOLOR FFFFFF00 }\n");
    CUxFormFile loader(device_);
    ASSERT_EQ(loader.Load(path, CUxFormFile::kScreenLeft, CUxFormFile::kScreenTop), 1)
        << loader.Message;
    CSharedPtr<CTextLayer> texts(new CTextLayer(device_, vb_, ib_));
    ASSERT_EQ(loader.CreateForm(CSharedPtr<CSpriteLayer>(new CSpriteLayer(device_, vb_, ib_)),
                                texts, {font}, 3),
              1);
    int32_t interrupted = 1;
    ASSERT_EQ(loader.CreateControls(&interrupted), 1);

    CSharedPtr<ManagerDrawer> drawer(new ManagerDrawer());
    drawer->Manager = CSharedPtr<CUxFormsManager>(new CUxFormsManager());
    drawer->Manager->AddForm(loader.Form);
    renderer_->SetFormsDrawer(drawer);
    renderer_->SetClearColor(0x00000000);
    ASSERT_EQ(renderer_->RenderScene(), 0);
    ReadBack();
    ASSERT_FALSE(pixels_.empty());

    EXPECT_EQ(Rgb(-190.0f, 140.0f), 0xFF0000u) << "top-left corner";
    EXPECT_EQ(Rgb(185.0f, -135.0f), 0xFF0000u) << "bottom-right corner";
    EXPECT_EQ(Rgb(-190.0f, 0.0f), 0x00FF00u) << "left side";
    EXPECT_EQ(Rgb(0.0f, 140.0f), 0x00FF00u) << "top side";
    EXPECT_EQ(Rgb(100.0f, 0.0f), 0x0000FFu) << "the inside";
    EXPECT_EQ(Rgb(0.0f, -70.0f), 0xFF00FFu) << "the button: white picture, magenta colour";
    EXPECT_EQ(Rgb(0.0f, -95.0f), 0x0000FFu) << "below the button";
    // The caption: bars of 16 in cells of 32 from the static's left edge (-150),
    // its first line from half a character above the static's centre (y 80).
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Rgb(-142.0f + 32.0f * i, 85.0f), 0xFFFF00u) << "bar " << i;
        EXPECT_EQ(Rgb(-126.0f + 32.0f * i, 85.0f), 0x0000FFu) << "gap " << i;
    }
    EXPECT_EQ(Rgb(300.0f, 0.0f), 0x000000u) << "outside the form";

    // A hidden form is not drawn at all.
    loader.Form->SetVisible(0);
    ASSERT_EQ(renderer_->RenderScene(), 0);
    ReadBack();
    EXPECT_EQ(Rgb(100.0f, 0.0f), 0x000000u);
}

} // namespace
} // namespace uitest
