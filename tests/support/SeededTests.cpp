// Every test starts from the same state of the game's one random generator, so
// that what a test draws (boards, totem targets, particles) never depends on
// which tests ran before it, or how many frames they happened to play.
#include <gtest/gtest.h>

#include "platform/Rand15.h"

namespace {

constexpr uint32_t kTestSeed = 1;

class SeedEachTest : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { Rand15::Global().Seed(kTestSeed); }
};

// Registered before main runs: gtest_main only adds its printer.
const bool kRegistered = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new SeedEachTest);
    return true;
}();

} // namespace
