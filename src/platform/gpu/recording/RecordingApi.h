#pragma once
// The recording back end: an Api whose devices draw nothing but record every
// state set, clear and draw, for tests and headless tools. Everything an
// adapter reports is scripted by a RecordingConfig; device loss and failures
// of single calls can be scripted too.
//
//   gpu::RecordingConfig cfg;                       // one adapter, usual modes
//   cfg.adapters[0].caps.maxVertexIndex = 99;       // small buffers
//   cfg.failures.push_back({gpu::Call::Present, 3}); // the 3rd Present fails
//   gpu::Api* api = gpu::CreateRecordingApi(cfg);
//   ... api->CreateDevice(...) ... gpu::AsRecording(device)->Draws() ...
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/gpu/Gpu.h"
#include "platform/gpu/recording/FailureSchedule.h"

namespace gpu {

struct AdapterConfig {
    // Enumerated in this order (duplicates and small modes are the caller's to filter).
    std::vector<DisplayMode> modes = DefaultModes();
    // The desktop mode; none makes GetAdapterDisplayMode fail with kErrNotAvailable.
    std::optional<DisplayMode> desktop = DisplayMode{1280, 1024, 60, Fmt::X8R8G8B8};
    Caps caps = DefaultCaps();
    AdapterIdentifier identifier{"recording", "Recording adapter", 0x10DE, 0x0001};
    // CheckDeviceType accepts a display format (back buffer of the same format)
    // from these lists, windowed and full screen.
    std::vector<uint32_t> windowedFormats{Fmt::X8R8G8B8, Fmt::R5G6B5};
    std::vector<uint32_t> fullScreenFormats{Fmt::X8R8G8B8, Fmt::R5G6B5};
    // CheckDeviceFormat answers: usable texture formats (usage without the
    // render-target bit) and render-target texture formats.
    std::vector<uint32_t> textureFormats = DefaultTextureFormats();
    std::vector<uint32_t> renderTargetFormats = DefaultTextureFormats();
    // False: CreateDevice with hardware vertex processing fails (kErrNotAvailable).
    bool hardwareVertexProcessing = true;
    // Scripted: full screen takes only the sizes of `modes` (GL and ours
    // cover the desktop at any size, and so does this adapter otherwise).
    bool fullScreenListedModesOnly = false;

    // 640x480, 800x600, 1024x768, 1280x1024 at 60 Hz in R5G6B5 and X8R8G8B8.
    static std::vector<DisplayMode> DefaultModes();
    // Shader 1.1, hardware T&L, stencil ZERO; both shared-buffer capacities
    // (min(cap + 1, 65536)) come out at 65536.
    static Caps DefaultCaps();
    // 21..26: the colour formats with and without alpha, none of the grey ones.
    static std::vector<uint32_t> DefaultTextureFormats();
    // Every colour format 20-31 and 50-52.
    static std::vector<uint32_t> AllColorFormats();
};

// Scripted loss: the Present call number `atPresent` (1-based, per device; 0 =
// never) loses the device, as LoseDevice(lostTests) would.
struct LossScript {
    uint64_t atPresent = 0;
    uint32_t lostTests = 1;
};

struct RecordingConfig {
    std::vector<AdapterConfig> adapters{AdapterConfig{}};
    std::vector<FailRule> failures;
    LossScript loss;
    // Full control over the format answers when the lists are not enough; the
    // lists are used when these are empty.
    std::function<Result(uint32_t adapter, uint32_t deviceType, uint32_t displayFormat,
                         uint32_t backBufferFormat, int32_t windowed)>
        checkDeviceType;
    std::function<Result(uint32_t adapter, uint32_t deviceType, uint32_t adapterFormat,
                         uint32_t usage, uint32_t resourceType, uint32_t format)>
        checkDeviceFormat;
    // Scripted: CreateTexture also refuses a format CheckDeviceFormat refuses
    // (every colour format can be made otherwise, as on the other back ends).
    bool createTextureChecksFormat = false;
    // Largest texture, surface or buffer a device allocates; larger ones fail
    // with kErrOutOfVideoMemory.
    uint64_t maxResourceBytes = 256ull << 20;
};

// What an Api, its devices and their resources share.
struct RecordingShared {
    RecordingConfig config;
    FailureSchedule failures;
    uint64_t nextResourceId = 1;
};

class RecordingApi : public Api {
public:
    explicit RecordingApi(const RecordingConfig& config);

    uint32_t GetAdapterCount() override;
    uint32_t GetAdapterModeCount(uint32_t adapter) override;
    Result EnumAdapterModes(uint32_t adapter, uint32_t mode, DisplayMode* out) override;
    Result GetAdapterDisplayMode(uint32_t adapter, DisplayMode* out) override;
    Result GetAdapterIdentifier(uint32_t adapter, uint32_t flags, AdapterIdentifier* out) override;
    Result CheckDeviceType(uint32_t adapter, uint32_t deviceType, uint32_t displayFormat,
                           uint32_t backBufferFormat, int32_t windowed) override;
    Result CheckDeviceFormat(uint32_t adapter, uint32_t deviceType, uint32_t adapterFormat,
                             uint32_t usage, uint32_t resourceType, uint32_t format) override;
    Result GetDeviceCaps(uint32_t adapter, uint32_t deviceType, Caps* out) override;
    Result CreateDevice(uint32_t adapter, uint32_t deviceType, os::Window* focusWindow,
                        uint32_t behaviorFlags, PresentParams* pp, Device** out) override;

    // The live configuration: changes apply to later calls of the Api and its devices.
    RecordingConfig& Config() { return shared_->config; }
    FailureSchedule& Failures() { return shared_->failures; }
    uint64_t CallCount(Call c) const { return shared_->failures.Count(c); }

private:
    std::shared_ptr<RecordingShared> shared_;
};

Api* CreateRecordingApi(const RecordingConfig& config = RecordingConfig{});
// Null when `api` is not a recording Api.
RecordingApi* AsRecording(Api* api);

// Answers shared by the Api and its devices (CreateTexture's format check).
Result RecordingCheckDeviceFormat(const RecordingConfig& config, uint32_t adapter,
                                  uint32_t deviceType, uint32_t adapterFormat, uint32_t usage,
                                  uint32_t resourceType, uint32_t format);
// Checks presentation parameters (as every device takes them) against the
// scripted adapter's formats (and full-screen modes where it lists them only):
// kOk, or kErrInvalidCall.
Result RecordingValidatePresentParams(const RecordingConfig& config, uint32_t adapter,
                                      const PresentParams& pp);

} // namespace gpu
