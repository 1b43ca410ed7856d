#pragma once
// The assembled game folder (GV_GAME_DIR) as the integrity tests see it: game
// paths below it, a device on the recording back end with the shared buffers,
// the object log in a scratch folder, and the log read back as a list of the
// lines that report a fault.
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/DataPaths.h"
#include "engine/SharedPtr.h"
#include "platform/gpu/Gpu.h"
#include "support/CapturedLog.h"
#include "support/TempDir.h"

class CIndexBuffer;
class CRenderDevice;
class CVertexBuffer;

namespace integrity {

// The folder the `game` target fills, with a trailing '/'.
std::string GameRoot();
// True when the folder has been assembled (it and its Data folder exist).
bool GameFolderAssembled();

// The log's lines that are not the routine ones (object teardown, the first-run
// sound conversion's progress): every such line reports something that failed.
std::vector<std::string> ErrorLines(const std::string& logText);

struct ApiRelease {
    void operator()(gpu::Api* api) const;
};

// Skips when the folder is not there; otherwise gives every test a device and
// the shared buffers, and at the end fails on any fault line in the log.
class GameFolderTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A game path ("Data\\Gfx\\") below the game folder.
    std::string Game(const std::string& gamePath) const { return GameRoot() + gamePath; }
    std::string Gfx() const { return Game(Paths.GfxPath); }

    CDataPaths Paths;
    testsupport::TempDir Scratch;
    std::unique_ptr<testsupport::CapturedLog> Log;
    std::unique_ptr<gpu::Api, ApiRelease> Api;
    CSharedPtr<CRenderDevice> Device;
    CSharedPtr<CVertexBuffer> Vertices;
    CSharedPtr<CIndexBuffer> Indices;
};

} // namespace integrity
