#pragma once
// A device wrapper on the recording back end with the shared buffers, for the
// tests of the 2D layers.
#include <gtest/gtest.h>

#include "support/RecordingScene.h"

namespace drawtest {

class DrawFixture : public ::testing::Test, public testsupport::RecordingScene {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(Open(config));
        MakeBuffers(vertexCapacity, indexCapacity);
    }
    void TearDown() override { Close(); }

    uint32_t RenderState(uint32_t state) const { return rec->RenderState(state); }

    gpu::RecordingConfig config;
    uint32_t vertexCapacity = 4096, indexCapacity = 8192;
};

} // namespace drawtest
