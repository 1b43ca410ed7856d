#include <gtest/gtest.h>

#include "platform/gpu/ApiChoice.h"

using gpu::ApiChoice;

namespace {

TEST(ApiChoice, TheSettingWinsElseASoftwareGlDriverMeansOurRasteriser) {
    struct Case {
        const char* setting;
        const char* glRenderer;
        bool soft;
        const char* line;
    };
    const Case cases[] = {
        {nullptr, "llvmpipe (LLVM 15.0.6, 256 bits)", true,
         "Renderer: software (GL renderer is llvmpipe (LLVM 15.0.6, 256 bits))\n"},
        {"", "softpipe", true, "Renderer: software (GL renderer is softpipe)\n"},
        {nullptr, "Mesa DRI swrast", true, "Renderer: software (GL renderer is Mesa DRI swrast)\n"},
        {nullptr, "Software Rasterizer", true,
         "Renderer: software (GL renderer is Software Rasterizer)\n"},
        {nullptr, "AMD Radeon RX 6600 (radeonsi, navi23, LLVM 15.0.6)", false,
         "Renderer: GL (GL renderer is AMD Radeon RX 6600 (radeonsi, navi23, LLVM 15.0.6))\n"},
        {nullptr, "", false, "Renderer: GL (the GL renderer is unknown)\n"},
        {"gl", "llvmpipe (LLVM 15.0.6, 256 bits)", false, "Renderer: GL (GLORVANE_RENDERER=gl)\n"},
        {"soft", "Mesa Intel(R) UHD Graphics 620", true,
         "Renderer: software (GLORVANE_RENDERER=soft)\n"},
        {"soft", "", true, "Renderer: software (GLORVANE_RENDERER=soft)\n"},
        // Only the exact words decide; anything else is said and left to the driver.
        {"SOFT", "NVIDIA GeForce GTX 1060/PCIe/SSE2", false,
         "Renderer: GL (GL renderer is NVIDIA GeForce GTX 1060/PCIe/SSE2; GLORVANE_RENDERER=SOFT "
         "is neither gl nor soft)\n"},
        {"vulkan", "LLVMPIPE", true,
         "Renderer: software (GL renderer is LLVMPIPE; GLORVANE_RENDERER=vulkan is neither gl "
         "nor soft)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.setting ? c.setting : "(unset)") + " / " + c.glRenderer);
        const ApiChoice choice = ApiChoice::Make(c.setting, c.glRenderer);
        EXPECT_EQ(choice.soft, c.soft);
        EXPECT_EQ(choice.line, c.line);
        EXPECT_EQ(ApiChoice::Decides(c.setting), c.setting && (std::string(c.setting) == "gl" ||
                                                               std::string(c.setting) == "soft"));
    }
}

TEST(ApiChoice, WithoutGlOurRasteriserShowsItsFramesThroughTheWindowSurface) {
    struct Case {
        const char* setting;
        const char* present;
        bool glContext, soft, surface;
        const char* line;
    };
    const Case cases[] = {
        {nullptr, nullptr, false, true, true,
         "Renderer: software (no GL 3.3 context), shown through the window surface\n"},
        {nullptr, "surface", true, true, true,
         "Renderer: software (GLORVANE_PRESENT=surface), shown through the window surface\n"},
        {"soft", nullptr, false, true, true,
         "Renderer: software (GLORVANE_RENDERER=soft; no GL 3.3 context), shown through the "
         "window surface\n"},
        {"gl", "surface", true, false, false,
         "Renderer: GL (GLORVANE_RENDERER=gl; GLORVANE_PRESENT=surface)\n"},
        {nullptr, "gl", true, false, false, "Renderer: GL (GL renderer is AMD)\n"},
    };
    for (const Case& c : cases) {
        const ApiChoice choice = ApiChoice::Make(c.setting, "AMD", c.present, c.glContext);
        EXPECT_EQ(choice.soft, c.soft) << c.line;
        EXPECT_EQ(choice.surface, c.surface) << c.line;
        EXPECT_EQ(choice.line, c.line);
    }
}

} // namespace
