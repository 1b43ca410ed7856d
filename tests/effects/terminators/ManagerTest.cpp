// The terminator manager: creation, the live and finished lists, the choice of
// removal sounds and their merging into one playback per sample and frame.
#include <cmath>

#include "TerminatorTestSupport.h"

using namespace termtest;

namespace {

class Manager : public TerminatorFixture {};

using Names = std::vector<std::string>;

} // namespace

TEST_F(Manager, OnlyKindOneMakesAnElectricTerminatorWithTheSharedTextures) {
    CSharedPtr<CTerminator> none = manager->CreateTerminator(2, Row(3), capsTex, 0);
    EXPECT_TRUE(none.IsNull());
    EXPECT_TRUE(manager->Live.empty());

    CMatchGroup g = Row(3);
    g.Word = 42;
    CSharedPtr<CTerminator> t = manager->CreateTerminator(1, g, capsTex, 1);
    ASSERT_EQ(manager->Live.size(), 1u);
    EXPECT_TRUE(manager->Live[0] == t);
    CTerminatorElectro& e = Electro(t);
    EXPECT_TRUE(e.ChainTexture == chainTex);
    EXPECT_TRUE(e.SparkTexture == chainSparkTex);
    EXPECT_TRUE(e.GlowTexture == glowTex);
    EXPECT_TRUE(e.BoltTexture == lightningTex);
    EXPECT_TRUE(e.TokenTexture == capsTex);
    EXPECT_EQ(e.Fast, 1);
    EXPECT_EQ(e.SoundQueued, 1);
    EXPECT_EQ(e.Group.Cells, g.Cells);
    EXPECT_EQ(e.Group.Links, g.Links);
    EXPECT_EQ(e.Group.Word, 42);
    EXPECT_EQ(e.GetColourA(), 0xFFF7D96Bu);
    EXPECT_EQ(e.GetColourB(), 0xFFF7D96Bu);
}

TEST_F(Manager, RemovalSoundsFollowChainsSteelAndTheFastFlag) {
    struct Case {
        const char* what;
        std::vector<int32_t> chains;
        int32_t firstColour;
        int32_t fast;
        Names expected;
    };
    const Case cases[] = {
        {"free caps", {0, 0, 0}, 1, 0, {"Terminator%d.wav"}},
        {"free caps, fast", {0, 0, 0}, 1, 1, {"Terminator0_s.wav"}},
        {"one chained cap", {2}, 1, 0, {"ChainOut.wav"}},
        {"one chained cap, fast", {1}, 1, 1, {"ChainOut_s.wav"}},
        {"steel first, chained, fast", {0, 1, 0}, 100, 1,
         {"TerminatorSteel.wav", "ChainOut_s.wav"}},
        {"steel first, chained, slow", {0, 1, 0}, 100, 0, {"Terminator%d.wav", "ChainOut.wav"}},
        {"steel first, free, fast", {0, 0, 0}, 100, 1, {"Terminator0_s.wav"}},
        {"chained, fast", {1, 0, 0}, 3, 1, {"Terminator0_s.wav", "ChainOut_s.wav"}},
        {"chained", {0, 0, 3}, 3, 0, {"Terminator%d.wav", "ChainOut.wav"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<CSharedPtr<CCap>> tokens;
        for (size_t i = 0; i < c.chains.size(); ++i)
            tokens.push_back(Cap(i == 0 ? c.firstColour : 1, static_cast<int32_t>(i), 0,
                                 c.chains[i]));
        CSharedPtr<CTerminator> t =
            Make(Row(static_cast<int32_t>(tokens.size())), tokens, 0, c.fast);
        manager->QueueSound(t);
        EXPECT_EQ(Queued(), c.expected);
        manager->Clear();
        EXPECT_TRUE(manager->SoundQueue.empty());
    }
}

TEST_F(Manager, OneSampleQueuedTwiceInAFramePlaysOnceAtTheMeanX) {
    CSharedPtr<CTerminator> left = Make(CMatchGroup::Single(0, 0), {CapAtX(0, -100.0f)});
    CSharedPtr<CTerminator> right = Make(CMatchGroup::Single(0, 0), {CapAtX(0, 300.0f)});
    CSharedPtr<CTerminator> chained =
        Make(CMatchGroup::Single(0, 0), {CapAtX(0, 260.0f, -41.5f, 1)});
    manager->QueueSound(left);
    manager->QueueSound(right);
    manager->QueueSound(chained);
    ASSERT_EQ(manager->SoundQueue.size(), 2u);
    const CQueuedSound& merged = manager->SoundQueue[0];
    ASSERT_EQ(merged.PositionSums.size(), 1u);
    EXPECT_FLOAT_EQ(merged.PositionSums[0], 200.0f);
    EXPECT_EQ(merged.PositionCounts[0], 2);

    manager->PlayQueuedSounds();
    EXPECT_TRUE(manager->SoundQueue.empty());
    EXPECT_EQ(AllPlays(), 2);
    // Fully panned: floor(99 * x / 520).
    EXPECT_EQ(PansOf("Terminator0.wav"), (std::vector<int64_t>{19}));
    EXPECT_EQ(PansOf("ChainOut.wav"), (std::vector<int64_t>{49}));

    // The next frame starts afresh.
    manager->PlayQueuedSounds();
    EXPECT_EQ(AllPlays(), 2);
}

TEST_F(Manager, UpdateQueuesDeferredSoundsOnceTheyStartButNotForTerminatorsThatFinishAtOnce) {
    CSharedPtr<CTerminator> delayed = Make(CMatchGroup::Single(0, 0), {CapAtX(0, -200.0f)});
    delayed->SoundQueued = 0;
    delayed->Time = -0.3f;
    CSharedPtr<CTerminator> instant = Make(CMatchGroup::Single(1, 0), {CapAtX(0, 100.0f)}, 0, 1);
    instant->SoundQueued = 0;

    EXPECT_EQ(manager->Update(0.25f), 1) << "the fast one finished in its first update";
    ASSERT_EQ(manager->Finished.size(), 1u);
    EXPECT_TRUE(manager->Finished[0] == instant);
    EXPECT_EQ(instant->SoundQueued, 0) << "a finished terminator is not looked at";
    EXPECT_TRUE(manager->SoundQueue.empty()) << "the delayed one has not started";
    EXPECT_EQ(delayed->SoundQueued, 0);

    manager->Finished.clear();
    EXPECT_EQ(manager->Update(0.1f), 0);
    EXPECT_EQ(Queued(), (Names{"Terminator%d.wav"}));
    EXPECT_EQ(delayed->SoundQueued, 1);
    EXPECT_EQ(manager->Update(0.1f), 0);
    EXPECT_EQ(manager->SoundQueue[0].PositionCounts[0], 1) << "queued once";

    // A terminator whose time is not a number never starts its sound.
    CSharedPtr<CTerminator> broken = Make(CMatchGroup::Single(2, 0), {CapAtX(0, 0.0f)});
    broken->SoundQueued = 0;
    broken->Time = std::nanf("");
    manager->Update(0.1f);
    EXPECT_EQ(broken->SoundQueued, 0);

    manager->Clear();
    EXPECT_EQ(manager->Update(0.1f), 0);
    EXPECT_TRUE(manager->Live.empty());
}

TEST_F(Manager, FinishedTerminatorsMoveOverInOrderAndTheLiveOrderIsKept) {
    CSharedPtr<CTerminator> slow = Make(CMatchGroup::Single(0, 0), {Cap(0, 0, 0)});
    CSharedPtr<CTerminator> fastA = Make(CMatchGroup::Single(1, 0), {Cap(0, 1, 0)}, 0, 1);
    CSharedPtr<CTerminator> slow2 = Make(CMatchGroup::Single(2, 0), {Cap(0, 2, 0)});
    CSharedPtr<CTerminator> fastB = Make(CMatchGroup::Single(3, 0), {Cap(0, 3, 0)}, 0, 1);
    EXPECT_EQ(manager->Update(0.1f), 0);
    EXPECT_EQ(manager->Update(0.1f), 2);
    ASSERT_EQ(manager->Finished.size(), 2u);
    EXPECT_TRUE(manager->Finished[0] == fastA);
    EXPECT_TRUE(manager->Finished[1] == fastB);
    ASSERT_EQ(manager->Live.size(), 2u);
    EXPECT_TRUE(manager->Live[0] == slow);
    EXPECT_TRUE(manager->Live[1] == slow2);
    EXPECT_EQ(manager->Update(0.0f), 2) << "the field empties the finished list itself";
    EXPECT_EQ(caps.Count(), 2u);
}

TEST_F(Manager, NoCapsNoSoundAndNoBankNoPlayback) {
    CSharedPtr<CTerminator> empty = manager->CreateTerminator(1, Row(3), capsTex, 0);
    manager->QueueSound(empty);
    empty->SoundQueued = 0;
    manager->Update(0.1f);
    EXPECT_TRUE(manager->SoundQueue.empty());
    manager->PlayQueuedSounds();
    EXPECT_EQ(AllPlays(), 0);

    manager->SetSoundBank(CSharedPtr<CSoundBank>());
    manager->QueueSound(Make(CMatchGroup::Single(0, 0), {Cap(0, 0, 0)}));
    ASSERT_EQ(manager->SoundQueue.size(), 1u) << "missing samples still share one entry";
    manager->QueueSound(Make(CMatchGroup::Single(1, 0), {Cap(0, 1, 0)}));
    EXPECT_EQ(manager->SoundQueue.size(), 1u);
    manager->PlayQueuedSounds();
    EXPECT_TRUE(manager->SoundQueue.empty());
    EXPECT_EQ(AllPlays(), 0);
}

TEST(QueuedSound, SlotsFillInTurnOnceTheLimitIsReached) {
    CQueuedSound q;
    q.SlotLimit = 2;
    for (float x : {1.0f, 2.0f, 3.0f, 4.0f, 5.0f})
        q.AddPosition(x);
    EXPECT_EQ(q.PositionSums, (std::vector<float>{9.0f, 6.0f}));
    EXPECT_EQ(q.PositionCounts, (std::vector<int32_t>{3, 2}));
    EXPECT_EQ(q.NextSlot, 1);
}

TEST_F(Manager, AFiveCapGroupRunsToTheEndAndDrawsOnTheRecordingBackEnd) {
    std::vector<CSharedPtr<CCap>> tokens;
    for (int32_t i = 0; i < 5; ++i)
        tokens.push_back(Cap(2, i, 3, i == 2 ? 1 : 0));
    CSharedPtr<CTerminator> t = Make(Row(5), tokens);
    manager->QueueSound(t);
    int frames = 0;
    bool drew = false;
    while (manager->Finished.empty() && frames < 100) {
        manager->Update(1.0f / 60.0f);
        particles->Update(1.0f / 60.0f);
        glow->Update(1.0f / 60.0f);
        sparks->Update(1.0f / 60.0f);
        manager->PlayQueuedSounds();
        ++frames;
        if (frames == 10) {
            rec->ClearRecords();
            ASSERT_EQ(device->BeginScene(), gpu::kOk);
            device->SetIndices(ib, 0);
            device->SetStreamSource(vb);
            device->SetVertexShader(gpu::kFvfGame);
            glow->Render();
            const size_t glowDraws = rec->Draws().size();
            particles->RenderBlended();
            device->EndScene();
            EXPECT_GE(glowDraws, 1u);
            bool lightning = false;
            for (const auto& d : rec->Draws())
                lightning = lightning || d.state.textures[0] == lightningTex->GetTexture();
            EXPECT_TRUE(lightning) << "the bolts are drawn with the lightning texture";
            drew = true;
        }
    }
    EXPECT_TRUE(drew);
    EXPECT_NEAR(frames, 45, 1) << "0.75 s at 60 frames a second";
    EXPECT_EQ(AllPlays(), 2) << "the removal and the chain sound, once each";
    EXPECT_EQ(caps.Count(), 1u) << "only the chained cap stays";
    EXPECT_EQ(tokens[2]->LockCount, 0);
    EXPECT_EQ(KeeperSystems<CSpriteCrackKeeper>().size(), 4u);
}
