#pragma once
// The adapter level of the back ends that draw into a window (GL and our
// rasteriser): SDL displays as adapters, their modes in the original format
// codes, and the capability and format answers the engine's mode and
// texture-format choices are made from.
#include <string>
#include <vector>

#include "platform/gpu/Gpu.h"

namespace gpu {

// Both shared-buffer capacities come out at 65536 from these caps (every back
// end answers with them).
void FillDeviceCaps(Caps* out, uint32_t maxTextureSize);
// Formats offered for textures (and as render targets): the one answer of the
// back ends that show their pictures at 8 bits a channel.
bool TextureFormatUsable(uint32_t format);

class DisplayApi final : public Api {
public:
    // Makes a back end's device on `window`; the parameters name the window
    // and the windowed back-buffer format.
    using DeviceMaker = Result (*)(os::Window* window, const PresentParams& pp, Device** out);
    // Null while SDL's video subsystem is down. `backEnd` tells the adapter
    // identifier what draws ("OpenGL 3.3"), `detail` what the log line that
    // names the chosen back end adds; the displays and modes are snapshot once.
    static Api* Open(const char* backEnd, DeviceMaker make, std::string detail = {});
    const std::string& Detail() const { return detail_; }
    // A context made to choose the back end and never taken by a device goes.
    ~DisplayApi() override;

    uint32_t GetAdapterCount() override { return static_cast<uint32_t>(adapters_.size()); }
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

private:
    struct Adapter {
        std::string name;
        std::vector<DisplayMode> modes;
        DisplayMode desktop;
    };
    DisplayApi(const char* backEnd, DeviceMaker make, std::string detail);
    bool HasModeFormat(const Adapter& a, uint32_t format) const;
    std::string backEnd_, detail_;
    DeviceMaker make_;
    std::string driver_;
    std::vector<Adapter> adapters_;
};

} // namespace gpu
