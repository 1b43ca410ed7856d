// Program entry. For now: open the window through the platform layer, clear it
// every frame and leave on close or Escape.
#include <cstdio>
#include <memory>
#include <string>

#include "platform/gpu/Gpu.h"
#include "platform/os/Window.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr uint32_t kClearColour = 0xFF101820;

struct Releaser {
    void operator()(gpu::Object* o) const {
        if (o)
            o->Release();
    }
};

} // namespace

int main() {
    std::string error;
    std::unique_ptr<os::Window> window(
        os::Window::Create("The Glorvane of Quolvarin", kWidth, kHeight, &error));
    if (!window) {
        std::fprintf(stderr, "Glorvane needs a display: %s\n", error.c_str());
        return 1;
    }
    std::unique_ptr<gpu::Api, Releaser> api(gpu::CreateGlApi());
    if (!api) {
        std::fprintf(stderr, "Glorvane cannot reach the video system.\n");
        return 1;
    }
    gpu::PresentParams pp;
    pp.backBufferWidth = kWidth;
    pp.backBufferHeight = kHeight;
    pp.backBufferFormat = gpu::Fmt::X8R8G8B8;
    pp.window = window.get();
    pp.windowed = 1;
    gpu::Device* rawDevice = nullptr;
    gpu::Result r = api->CreateDevice(0, gpu::kDeviceHal, window.get(),
                                      gpu::kCreateHardwareVertexProcessing, &pp, &rawDevice);
    if (gpu::Failed(r)) {
        std::fprintf(stderr, "Glorvane cannot create its OpenGL 3.3 device (error 0x%08X).\n",
                     static_cast<unsigned>(r));
        return 3;
    }
    std::unique_ptr<gpu::Device, Releaser> device(rawDevice);
    window->SetStyle(os::kStyleWindowed);
    window->Show();

    bool running = true;
    auto handle = [&](const os::Message& m) {
        if (m.kind == os::MessageKind::Close ||
            (m.kind == os::MessageKind::KeyDown && m.key == os::Vk::Escape))
            running = false;
    };
    while (running) {
        os::Message m;
        while (window->PollMessage(&m))
            handle(m);
        if (!running)
            break;
        if (window->IsMinimized()) {
            // Nothing to show: sleep until the window comes back.
            if (window->WaitMessage(&m, 100))
                handle(m);
            continue;
        }
        if (device->BeginScene() == gpu::kOk) {
            device->Clear(0, nullptr, gpu::ClearFlag::Target | gpu::ClearFlag::ZBuffer,
                          kClearColour, 1.0f, 0);
            device->EndScene();
        }
        device->Present();
    }
    device.reset();
    api.reset();
    window.reset();
    return 0;
}
