#include "engine/SharedPtr.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/ObjectLog.h"
#include "support/CapturedLog.h"

using testsupport::CapturedLog;
using testsupport::TempDir;

namespace {

std::vector<std::string> gDestroyed;

struct Plain {
    explicit Plain(std::string n) : name(std::move(n)) {}
    ~Plain() { gDestroyed.push_back(name); }
    std::string name;
};

struct Base {
    virtual ~Base() { gDestroyed.push_back("base"); }
};
struct Derived : Base {
    ~Derived() override { gDestroyed.push_back("derived"); }
};

// An object that owns a handle to another one.
struct Node {
    explicit Node(std::string n) : name(std::move(n)) {}
    ~Node() { gDestroyed.push_back(name); }
    std::string name;
    CSharedPtr<Node> next;
};

// Writes its destruction line the way device resources do.
struct Logged {
    ~Logged() {
        LogObject("Texture ");
        LogObject("a.png");
        LogObject(" Destruction.\n");
    }
};

class SharedPtrTest : public ::testing::Test {
protected:
    void SetUp() override { gDestroyed.clear(); }
};

TEST_F(SharedPtrTest, CopiesShareOneCountAndTheLastReleaseDestroysOnce) {
    CSharedPtr<Plain> empty;
    EXPECT_TRUE(empty.IsNull());
    EXPECT_EQ(empty.UseCount(), 0u);
    {
        CSharedPtr<Plain> a(new Plain("a"));
        EXPECT_FALSE(a.IsNull());
        {
            CSharedPtr<Plain> b(a);
            std::vector<CSharedPtr<Plain>> many(5, a);
            EXPECT_EQ(a.UseCount(), 7u);
            EXPECT_EQ(b->name, "a");
        }
        EXPECT_EQ(a.UseCount(), 1u);
        EXPECT_TRUE(gDestroyed.empty());
    }
    EXPECT_EQ(gDestroyed, std::vector<std::string>{"a"});
}

TEST_F(SharedPtrTest, NullObjectHolderIsNullAndFreesOnlyTheHolder) {
    CSharedPtr<Plain> a(nullptr);
    CSharedPtr<Plain> b(a);
    EXPECT_TRUE(a.IsNull());
    EXPECT_EQ(a.UseCount(), 2u);
    a = CSharedPtr<Plain>();
    b = CSharedPtr<Plain>();
    EXPECT_TRUE(gDestroyed.empty());
}

TEST_F(SharedPtrTest, PolymorphicObjectsDieThroughTheirVirtualDestructor) {
    { CSharedPtr<Base> p(new Derived); }
    EXPECT_EQ(gDestroyed, (std::vector<std::string>{"derived", "base"}));
}

TEST_F(SharedPtrTest, AssignmentWithinOneHolderDestroysNothing) {
    CSharedPtr<Plain> a(new Plain("a"));
    CSharedPtr<Plain> b(a);
    a = a;
    EXPECT_EQ(a.UseCount(), 2u);
    a = b;
    b = a;
    EXPECT_EQ(a.UseCount(), 2u);
    EXPECT_TRUE(gDestroyed.empty());
}

TEST_F(SharedPtrTest, AssigningOverTheLastReferenceDestroysTheOldObject) {
    CSharedPtr<Plain> a(new Plain("old"));
    CSharedPtr<Plain> b(new Plain("new"));
    a = b;
    EXPECT_EQ(gDestroyed, std::vector<std::string>{"old"});
    EXPECT_EQ(a->name, "new");
    EXPECT_EQ(b.UseCount(), 2u);

    a = CSharedPtr<Plain>();
    EXPECT_TRUE(a.IsNull());
    EXPECT_EQ(b.UseCount(), 1u);
    EXPECT_EQ(gDestroyed.size(), 1u);
}

TEST_F(SharedPtrTest, SourceOwnedByTheReleasedObjectSurvivesTheAssignment) {
    // head holds the only reference to the outer node, and the outer node holds the
    // only reference to the inner one: assigning outer->next to head releases the
    // very object that owns the source handle.
    CSharedPtr<Node> head(new Node("outer"));
    head->next = CSharedPtr<Node>(new Node("inner"));
    head = head->next;
    EXPECT_EQ(gDestroyed, std::vector<std::string>{"outer"});
    ASSERT_FALSE(head.IsNull());
    EXPECT_EQ(head->name, "inner");
    EXPECT_EQ(head.UseCount(), 1u);
}

TEST_F(SharedPtrTest, ChainOfOwnedHandlesUnwindsWhenWalkedByAssignment) {
    CSharedPtr<Node> head(new Node("n0"));
    CSharedPtr<Node> tail = head;
    for (int i = 1; i < 5; ++i) {
        tail->next = CSharedPtr<Node>(new Node("n" + std::to_string(i)));
        tail = tail->next;
    }
    tail = CSharedPtr<Node>();
    while (!head.IsNull())
        head = head->next;
    EXPECT_EQ(gDestroyed, (std::vector<std::string>{"n0", "n1", "n2", "n3", "n4"}));
}

TEST_F(SharedPtrTest, LastReleaseWritesExactlyOneDestructionLine) {
    TempDir dir;
    CapturedLog log(dir);
    {
        CSharedPtr<Logged> a(new Logged);
        CSharedPtr<Logged> b(a);
        a = CSharedPtr<Logged>();
        EXPECT_EQ(log.Text(), "");
    }
    EXPECT_EQ(log.Text(), " Texture  a.png  Destruction.\n");
}

} // namespace

namespace {
struct Layer {
    virtual ~Layer() = default;
    virtual int Id() const = 0;
};
struct Concrete final : Layer {
    explicit Concrete(int* destroyed) : destroyed(destroyed) {}
    ~Concrete() override { ++*destroyed; }
    int Id() const override { return 7; }
    int* destroyed;
};
}  // namespace

TEST(SharedPtrUpcast, BaseHandleSharesTheCountAndDestroysOnce) {
    int destroyed = 0;
    CSharedPtr<Concrete> owner(new Concrete(&destroyed));
    {
        CSharedPtr<Layer> layer = owner;
        EXPECT_EQ(owner.UseCount(), 2u);
        EXPECT_EQ(layer->Id(), 7);
        EXPECT_TRUE(layer == owner);
        CSharedPtr<Layer> other;
        other = owner;
        EXPECT_EQ(owner.UseCount(), 3u);
    }
    EXPECT_EQ(owner.UseCount(), 1u);
    owner = CSharedPtr<Concrete>();
    EXPECT_EQ(destroyed, 1);
}
