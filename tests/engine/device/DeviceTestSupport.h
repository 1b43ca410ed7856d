#pragma once
// Shared pieces of the device tests: a recording back end, a device wrapper made
// on it, and the object log redirected into a scratch folder.
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "engine/ObjectLog.h"
#include "engine/RenderDevice.h"
#include "platform/gpu/recording/RecordingApi.h"
#include "platform/gpu/recording/RecordingDevice.h"
#include "support/CapturedLog.h"
#include "support/RecordingScene.h"

using testsupport::ApiPtr;
using testsupport::CapturedLog;
using testsupport::MakeRecordingApi;

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
        api_ = MakeRecordingApi(config);
        device_ = CSharedPtr<CRenderDevice>(new CRenderDevice(api_.get(), 0));
        ASSERT_EQ(testsupport::CreateWindowed(*device_, 640, 480), gpu::kOk);
    }

    gpu::RecordingDevice* Rec() const { return gpu::AsRecording(device_->GetDevice()); }
    gpu::RecordingApi* RecApi() const { return gpu::AsRecording(api_.get()); }

    CapturedLog log_;
    ApiPtr api_;
    CSharedPtr<CRenderDevice> device_;
};
