// Vertex and index buffers: appending locks, refused locks, re-creation and the
// destruction lines they leave in the log.
#include <cstring>

#include "DeviceTestSupport.h"
#include "engine/IndexBuffer.h"
#include "engine/VertexBuffer.h"
#include "platform/gpu/recording/RecordingResources.h"

namespace {

using BufferTest = DeviceFixture;

const uint8_t* StoreOf(const CVertexBuffer& vb) {
    return dynamic_cast<gpu::RecordingVertexBuffer*>(vb.GetBuffer())->Store().Data();
}

TEST_F(BufferTest, AppendingLocksWrapWithDiscardWhenFull) {
    CVertexBuffer vb;
    ASSERT_EQ(vb.Create(device_->GetDevice(), 100, 32, gpu::Usage::WriteOnly | gpu::Usage::Dynamic,
                        gpu::kFvfGame, gpu::Pool::Default),
              gpu::kOk);
    gpu::Vertex* v = nullptr;

    ASSERT_EQ(vb.Lock(60, &v), gpu::kOk);
    EXPECT_EQ(vb.GetLastStart(), 0u);
    v[0].x = 7.0f;
    ASSERT_EQ(vb.Unlock(), gpu::kOk);

    ASSERT_EQ(vb.Lock(40, &v), gpu::kOk);
    EXPECT_EQ(vb.GetLastStart(), 60u);
    EXPECT_EQ(vb.GetCursor(), 100u);
    ASSERT_EQ(vb.Unlock(), gpu::kOk);
    float first;
    std::memcpy(&first, StoreOf(vb), sizeof first);
    EXPECT_EQ(first, 7.0f) << "a no-overwrite lock must keep earlier runs";

    // The buffer is full: the next run starts over at 0 and discards.
    ASSERT_EQ(vb.Lock(1, &v), gpu::kOk);
    EXPECT_EQ(vb.GetLastStart(), 0u);
    EXPECT_EQ(vb.GetCursor(), 1u);
    EXPECT_EQ(vb.GetLastCount(), 1u);
    ASSERT_EQ(vb.Unlock(), gpu::kOk);
    EXPECT_EQ(StoreOf(vb)[0], gpu::BufferStore::kDiscardFill);
    EXPECT_EQ(vb.GetLockCount(), 0u);
}

TEST_F(BufferTest, DiscardFlagAlwaysStartsAtZero) {
    CVertexBuffer vb;
    ASSERT_EQ(vb.Create(device_->GetDevice(), 100, 32, gpu::Usage::WriteOnly, gpu::kFvfGame,
                        gpu::Pool::Managed),
              gpu::kOk);
    uint8_t* p = nullptr;
    ASSERT_EQ(vb.Lock(10, &p, true), gpu::kOk);
    EXPECT_EQ(vb.GetLastStart(), 0u);
    EXPECT_EQ(vb.GetCursor(), 10u);
    vb.Unlock();
    ASSERT_EQ(vb.Lock(10, &p), gpu::kOk);
    EXPECT_EQ(vb.GetLastStart(), 10u);
    vb.Unlock();
    ASSERT_EQ(vb.Lock(5, &p, true), gpu::kOk);
    EXPECT_EQ(vb.GetLastStart(), 0u);
    EXPECT_EQ(vb.GetCursor(), 5u);
    vb.Unlock();
}

TEST_F(BufferTest, RefusedLocksLeaveTheCursorButDeviceFailuresMoveIt) {
    CVertexBuffer vb;
    ASSERT_EQ(vb.Create(device_->GetDevice(), 100, 32, gpu::Usage::WriteOnly, gpu::kFvfGame,
                        gpu::Pool::Managed),
              gpu::kOk);
    uint8_t* p = nullptr;
    ASSERT_EQ(vb.Lock(30, &p), gpu::kOk);
    vb.Unlock();

    // Larger than the whole buffer: never written past its end.
    p = reinterpret_cast<uint8_t*>(&vb);
    EXPECT_EQ(vb.Lock(101, &p), gpu::kErrInvalidCall);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(vb.Lock(101, &p, true), gpu::kErrInvalidCall);
    EXPECT_EQ(vb.Lock(0, &p), gpu::kErrInvalidCall);
    EXPECT_EQ(vb.GetCursor(), 30u);
    EXPECT_EQ(vb.GetLockCount(), 0u);

    // A lock the device refuses still takes its run.
    Rec()->FailNext(gpu::Call::LockVertexBuffer);
    EXPECT_EQ(vb.Lock(10, &p), gpu::kErrInvalidCall);
    EXPECT_EQ(vb.GetCursor(), 40u);
    EXPECT_EQ(vb.GetLastStart(), 30u);
    EXPECT_EQ(vb.GetLockCount(), 0u);
}

TEST_F(BufferTest, BuffersWithoutDeviceObjectFailCleanly) {
    CVertexBuffer vb;
    CIndexBuffer ib;
    uint8_t* p = nullptr;
    uint16_t* idx = nullptr;
    EXPECT_EQ(vb.Lock(1, &p), gpu::kErrInvalidCall);
    EXPECT_EQ(vb.Unlock(), gpu::kErrInvalidCall);
    EXPECT_EQ(ib.Lock(1, &idx), gpu::kErrInvalidCall);
    EXPECT_EQ(ib.Unlock(), gpu::kErrInvalidCall);
    EXPECT_EQ(vb.Create(nullptr, 10, 32, 0, gpu::kFvfGame, gpu::Pool::Managed), gpu::kErrInvalidCall);
    EXPECT_EQ(vb.Lock(1, &p), gpu::kErrInvalidCall);
    // A size that does not fit 32 bits is refused rather than wrapped.
    EXPECT_EQ(vb.Create(device_->GetDevice(), 0x80000000u, 32, 0, gpu::kFvfGame,
                        gpu::Pool::Managed),
              gpu::kErrInvalidCall);
    EXPECT_FALSE(vb.HasBuffer());
}

TEST_F(BufferTest, IndexBuffersTakeTheirStrideFromTheFormat) {
    CIndexBuffer ib16, ib32;
    ASSERT_EQ(ib16.Create(device_->GetDevice(), 12, gpu::Fmt::Index16, gpu::Usage::WriteOnly,
                          gpu::Pool::Managed),
              gpu::kOk);
    ASSERT_EQ(ib32.Create(device_->GetDevice(), 12, gpu::Fmt::Index32, gpu::Usage::WriteOnly,
                          gpu::Pool::Managed),
              gpu::kOk);
    EXPECT_EQ(ib16.GetStride(), 2u);
    EXPECT_EQ(ib16.GetSize(), 24u);
    EXPECT_EQ(ib32.GetStride(), 4u);
    EXPECT_EQ(ib32.GetSize(), 48u);

    uint16_t* idx = nullptr;
    ASSERT_EQ(ib16.Lock(6, &idx), gpu::kOk);
    ib16.Unlock();
    ASSERT_EQ(ib16.Lock(6, &idx), gpu::kOk);
    EXPECT_EQ(ib16.GetLastStart(), 6u);
    EXPECT_EQ(ib16.GetLockCount(), 1u);
    ib16.Unlock();
    EXPECT_EQ(ib16.Lock(7, &idx), gpu::kOk);  // wraps
    EXPECT_EQ(ib16.GetLastStart(), 0u);
    ib16.Unlock();
    EXPECT_EQ(ib32.Lock(1, &idx), gpu::kErrInvalidCall) << "16-bit view of 32-bit indices";
}

TEST_F(BufferTest, DestructionLinesCountOpenLocks) {
    {
        CVertexBuffer vb;
        ASSERT_EQ(vb.Create(device_->GetDevice(), 10, 32, 0, gpu::kFvfGame, gpu::Pool::Managed),
                  gpu::kOk);
        uint8_t* p = nullptr;
        ASSERT_EQ(vb.Lock(2, &p), gpu::kOk);
        // Creating again keeps the count of the lock still open.
        ASSERT_EQ(vb.Create(device_->GetDevice(), 10, 32, 0, gpu::kFvfGame, gpu::Pool::Managed),
                  gpu::kOk);
        EXPECT_EQ(vb.GetLockCount(), 1u);
        EXPECT_EQ(vb.GetCursor(), 0u);
    }
    { CIndexBuffer ib; }
    EXPECT_EQ(log_.Text(),
              " Vertex Buffer Destruction.  1   Locks left\n"
              " Index Buffer Destruction.  0   Locks left\n");
}

TEST_F(BufferTest, RecreateStartsOverWithTheSameParameters) {
    CIndexBuffer ib;
    ASSERT_EQ(ib.Create(device_->GetDevice(), 50, gpu::Fmt::Index16, gpu::Usage::WriteOnly,
                        gpu::Pool::Default),
              gpu::kOk);
    uint16_t* idx = nullptr;
    ib.Lock(20, &idx);
    ib.Unlock();
    const uint64_t before = ib.GetSerial();
    ASSERT_EQ(ib.Recreate(device_->GetDevice()), gpu::kOk);
    EXPECT_NE(ib.GetSerial(), before);
    EXPECT_EQ(ib.GetCursor(), 0u);
    EXPECT_EQ(ib.GetCapacity(), 50u);
    EXPECT_EQ(ib.GetPool(), gpu::Pool::Default);
    EXPECT_EQ(Rec()->LiveIndexBuffers(), 1u);
}

}  // namespace
