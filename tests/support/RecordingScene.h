#pragma once
// The game's device wrapper on the recording back end, made the way the game
// makes its own (windowed, X8R8G8B8 with a 16-bit depth buffer), with the
// shared dynamic vertex and index buffers the drawing layers write into.
// Fixtures take RecordingScene as a second base next to ::testing::Test.
#include <gtest/gtest.h>

#include <string>

#include "engine/IndexBuffer.h"
#include "engine/RenderDevice.h"
#include "engine/SharedPtr.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"
#include "platform/gpu/recording/RecordingApi.h"
#include "platform/gpu/recording/RecordingDevice.h"
#include "support/GpuOwned.h"

namespace testsupport {

inline ApiPtr MakeRecordingApi(const gpu::RecordingConfig& config = gpu::RecordingConfig{}) {
    return ApiPtr(gpu::CreateRecordingApi(config));
}

// Creates the wrapper's device for a window of that size, as the game does.
inline gpu::Result CreateWindowed(CRenderDevice& device, uint32_t width = 1024,
                                  uint32_t height = 768) {
    return device.Create(width, height, gpu::Fmt::X8R8G8B8, 0, 1, nullptr, gpu::Fmt::D16, 1, 0,
                         gpu::kSwapEffectDiscard, 0);
}

// The game's shared buffers: dynamic, write-only, of the game's vertex format
// and 16-bit indices; registered with the device (as the game's are) so that a
// device reset re-creates them. A fatal test failure when one is not made.
inline void MakeSharedBuffers(CRenderDevice& device, uint32_t vertices, uint32_t indices,
                              CSharedPtr<CVertexBuffer>& vb, CSharedPtr<CIndexBuffer>& ib,
                              bool registered = true) {
    vb = CSharedPtr<CVertexBuffer>(new CVertexBuffer());
    ASSERT_EQ(vb->Create(device.GetDevice(), vertices, 32,
                         gpu::Usage::Dynamic | gpu::Usage::WriteOnly, gpu::kFvfGame,
                         gpu::Pool::Default),
              gpu::kOk);
    if (registered)
        device.RegisterVertexBuffer(vb);
    ib = CSharedPtr<CIndexBuffer>(new CIndexBuffer());
    ASSERT_EQ(ib->Create(device.GetDevice(), indices, gpu::Fmt::Index16,
                         gpu::Usage::Dynamic | gpu::Usage::WriteOnly, gpu::Pool::Default),
              gpu::kOk);
    if (registered)
        device.RegisterIndexBuffer(ib);
}

class RecordingScene {
public:
    // The back end from `config` and a windowed device on it; a fatal test
    // failure when the device does not come up.
    void Open(const gpu::RecordingConfig& config = gpu::RecordingConfig{}, uint32_t width = 1024,
              uint32_t height = 768) {
        api = MakeRecordingApi(config);
        device = CSharedPtr<CRenderDevice>(new CRenderDevice(api.get(), 0));
        ASSERT_EQ(CreateWindowed(*device, width, height), gpu::kOk);
        rec = gpu::AsRecording(device->GetDevice());
        ASSERT_NE(rec, nullptr);
    }

    // The shared buffers; registered ones are re-created by a device reset.
    void MakeBuffers(uint32_t vertices, uint32_t indices, bool registered = true) {
        MakeSharedBuffers(*device, vertices, indices, vb, ib, registered);
    }

    // A small registered texture.
    CSharedPtr<CTexture> MakeTexture(const std::string& name) {
        auto t =
            device->CreateTargetTexture(name, 4, 4, {gpu::Fmt::A8R8G8B8}, 1, 0, gpu::Pool::Managed);
        EXPECT_FALSE(t.IsNull());
        return t;
    }

    // What the scene frame sets before the layers draw.
    void BeginFrame() {
        rec->ClearRecords();
        ASSERT_EQ(device->BeginScene(), gpu::kOk);
        device->SetIndices(ib, 0);
        device->SetStreamSource(vb);
        device->SetVertexShader(gpu::kFvfGame);
    }
    void EndFrame() { device->EndScene(); }

    // Buffers, device and back end, in that order.
    void Close() {
        vb = CSharedPtr<CVertexBuffer>();
        ib = CSharedPtr<CIndexBuffer>();
        device = CSharedPtr<CRenderDevice>();
        rec = nullptr;
        api.reset();
    }

    ApiPtr api;
    CSharedPtr<CRenderDevice> device;
    gpu::RecordingDevice* rec = nullptr;
    CSharedPtr<CVertexBuffer> vb;
    CSharedPtr<CIndexBuffer> ib;
};

} // namespace testsupport
