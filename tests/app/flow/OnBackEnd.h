#pragma once
// A test run once per back end: the harnesses it starts draw through the one
// its parameter names ("gl" or "soft"; "surface" is ours in a window without
// GL, showing its frames through the window surface), and the test's name
// ends with it.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "support/TempDir.h"

namespace flowtest {

class OnBackEnd : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        const bool surface = std::string(GetParam()) == "surface";
        // Without a setting the game chooses by itself, as where GL is missing.
        renderer_.emplace("GLORVANE_RENDERER", surface ? "" : GetParam());
        if (surface)
            present_.emplace("GLORVANE_PRESENT", "surface");
    }
    void TearDown() override {
        present_.reset();
        renderer_.reset();
    }

private:
    std::optional<testsupport::ScopedEnv> renderer_, present_;
};

inline std::string BackEndName(const ::testing::TestParamInfo<const char*>& info) {
    return info.param;
}

} // namespace flowtest
