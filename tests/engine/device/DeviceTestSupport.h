#pragma once
// Shared pieces of the device tests: a recording back end, a device wrapper made
// on it, and the object log redirected into a scratch folder.
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "engine/EngineTestFiles.h"
#include "engine/ObjectLog.h"
#include "engine/RenderDevice.h"
#include "platform/gpu/RecordingApi.h"
#include "platform/gpu/RecordingDevice.h"

struct ApiDeleter {
    void operator()(gpu::Api* api) const {
        if (api)
            api->Release();
    }
};
using ApiPtr = std::unique_ptr<gpu::Api, ApiDeleter>;

inline ApiPtr MakeApi(const gpu::RecordingConfig& config = gpu::RecordingConfig{}) {
    return ApiPtr(gpu::CreateRecordingApi(config));
}

// Points the object log into a scratch folder for the test's life.
class LogCapture {
public:
    LogCapture() : saved_(ObjectLogPath()) {
        SetObjectLogPath(dir_.Path("Objects.log"));
        ResetObjectLog();
    }
    ~LogCapture() { SetObjectLogPath(saved_); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::string Text() const { return ScratchDir::Read(dir_.Path("Objects.log")); }
    void Clear() const { ResetObjectLog(); }
    const ScratchDir& Dir() const { return dir_; }

private:
    ScratchDir dir_;
    std::string saved_;
};

// A device wrapper with a windowed 640x480 device on the recording back end.
class DeviceFixture : public ::testing::Test {
protected:
    void SetUp() override { MakeDevice(gpu::RecordingConfig{}); }
    void TearDown() override {
        device_ = CSharedPtr<CRenderDevice>();
        api_.reset();
    }

    void MakeDevice(const gpu::RecordingConfig& config) {
        device_ = CSharedPtr<CRenderDevice>();
        api_ = MakeApi(config);
        device_ = CSharedPtr<CRenderDevice>(new CRenderDevice(api_.get(), 0));
        ASSERT_EQ(device_->Create(640, 480, gpu::Fmt::X8R8G8B8, 0, 1, nullptr, gpu::Fmt::D16, 1, 0,
                                  gpu::kSwapEffectDiscard, 0),
                  gpu::kOk);
    }

    gpu::RecordingDevice* Rec() const { return gpu::AsRecording(device_->GetDevice()); }
    gpu::RecordingApi* RecApi() const { return gpu::AsRecording(api_.get()); }

    LogCapture log_;
    ApiPtr api_;
    CSharedPtr<CRenderDevice> device_;
};
