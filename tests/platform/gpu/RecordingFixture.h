#pragma once
// A recording Api and device for the GPU tests.
#include <gtest/gtest.h>

#include "platform/gpu/recording/RecordingApi.h"
#include "platform/gpu/recording/RecordingDevice.h"
#include "support/GpuOwned.h"

namespace gputest {

using testsupport::Owned;

inline gpu::PresentParams WindowedParams(uint32_t w = 1024, uint32_t h = 768,
                                         uint32_t fmt = gpu::Fmt::X8R8G8B8) {
    gpu::PresentParams pp;
    pp.backBufferWidth = w;
    pp.backBufferHeight = h;
    pp.backBufferFormat = fmt;
    pp.windowed = 1;
    return pp;
}

class RecordingTest : public ::testing::Test {
protected:
    // Builds the Api from config_ and a windowed 1024x768 device.
    void Start() {
        api_.reset(gpu::CreateRecordingApi(config_));
        gpu::PresentParams pp = WindowedParams();
        gpu::Device* d = nullptr;
        ASSERT_EQ(api_->CreateDevice(0, gpu::kDeviceHal, nullptr,
                                     gpu::kCreateHardwareVertexProcessing, &pp, &d),
                  gpu::kOk);
        device_.reset(d);
        rec_ = gpu::AsRecording(d);
        ASSERT_NE(rec_, nullptr);
    }
    void TearDown() override {
        device_.reset();
        api_.reset();
    }

    gpu::RecordingConfig config_;
    Owned<gpu::Api> api_;
    Owned<gpu::Device> device_;
    gpu::RecordingDevice* rec_ = nullptr;
};

} // namespace gputest
