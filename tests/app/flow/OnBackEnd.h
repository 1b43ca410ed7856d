#pragma once
// A test run once per back end: the harnesses it starts draw through the one
// its parameter names ("gl" or "soft"), and the test's name ends with it.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "support/TempDir.h"

namespace flowtest {

class OnBackEnd : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { renderer_.emplace("GLORVANE_RENDERER", GetParam()); }
    void TearDown() override { renderer_.reset(); }

private:
    std::optional<testsupport::ScopedEnv> renderer_;
};

inline std::string BackEndName(const ::testing::TestParamInfo<const char*>& info) {
    return info.param;
}

} // namespace flowtest
