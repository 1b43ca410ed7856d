// A refusal is kept as the thread's last one, and a development build logs
// each reason once however often it comes (a refused draw comes every frame).
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/gpu/Refusal.h"

using namespace gpu;

TEST(Refusal, KeptPerThreadAndLoggedOnceAKind) {
    static const char kOften[] = "Test: a rule broken every frame";
    static const char kOnce[] = "Test: another rule";
    ClearRefusal();
    EXPECT_STREQ(LastRefusal(), "");
    testing::internal::CaptureStderr();
    for (int frame = 0; frame < 3; ++frame)
        EXPECT_EQ(Refuse(kOften), kErrInvalidCall);
    // The same words from another place are the same kind.
    const std::string copy = kOften;
    Refuse(copy.c_str());
    Refuse(kOnce);
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_STREQ(LastRefusal(), kOnce);
    std::thread([] { EXPECT_STREQ(LastRefusal(), "") << "another thread's own"; }).join();
#ifdef NDEBUG
    EXPECT_EQ(log, "");
#else
    EXPECT_EQ(log, std::string("gpu: refused: ") + kOften + "\ngpu: refused: " + kOnce + "\n");
#endif
}
