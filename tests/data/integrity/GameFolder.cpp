#include "GameFolder.h"

#include <filesystem>
#include <sstream>

#include "engine/IndexBuffer.h"
#include "engine/RenderDevice.h"
#include "engine/VertexBuffer.h"
#include "platform/gpu/recording/RecordingApi.h"

namespace integrity {

namespace fs = std::filesystem;

std::string GameRoot() { return std::string(GV_GAME_DIR) + "/"; }

bool GameFolderAssembled() {
    std::error_code ec;
    return fs::is_directory(fs::path(GV_GAME_DIR) / "Data", ec);
}

namespace {

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Lines every good run writes: resources saying goodbye, and the progress of the
// first start's sound conversion.
bool Routine(const std::string& line) {
    if (line.empty() || line == "Firs time sound convertion..." || line == "Done")
        return true;
    return line.find("Destruction.") != std::string::npos ||
           EndsWith(line, "destruction.") || EndsWith(line, "Locks left");
}

std::string Trim(const std::string& text) {
    const size_t b = text.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return std::string();
    const size_t e = text.find_last_not_of(" \t\r");
    return text.substr(b, e - b + 1);
}

} // namespace

std::vector<std::string> ErrorLines(const std::string& logText) {
    std::vector<std::string> out;
    std::istringstream in(logText);
    for (std::string line; std::getline(in, line);) {
        line = Trim(line);
        if (!Routine(line))
            out.push_back(line);
    }
    return out;
}

void ApiRelease::operator()(gpu::Api* api) const {
    if (api)
        api->Release();
}

void GameFolderTest::SetUp() {
    if (!GameFolderAssembled())
        GTEST_SKIP() << "the game folder " << GV_GAME_DIR
                     << " has not been assembled (build the `game` target)";
    ASSERT_TRUE(Scratch.Ok());
    Log = std::make_unique<testsupport::CapturedLog>(Scratch);
    Api.reset(gpu::CreateRecordingApi(gpu::RecordingConfig{}));
    Device = CSharedPtr<CRenderDevice>(new CRenderDevice(Api.get(), 0));
    ASSERT_EQ(Device->Create(1024, 768, gpu::Fmt::X8R8G8B8, 0, 1, nullptr, gpu::Fmt::D16, 1, 0,
                             gpu::kSwapEffectDiscard, 0),
              gpu::kOk);
    const uint32_t usage = gpu::Usage::Dynamic | gpu::Usage::WriteOnly;
    Vertices = CSharedPtr<CVertexBuffer>(new CVertexBuffer());
    ASSERT_EQ(Vertices->Create(Device->GetDevice(), 65536, sizeof(gpu::Vertex), usage,
                               gpu::kFvfGame, gpu::Pool::Default),
              gpu::kOk);
    Device->RegisterVertexBuffer(Vertices);
    Indices = CSharedPtr<CIndexBuffer>(new CIndexBuffer());
    ASSERT_EQ(Indices->Create(Device->GetDevice(), 65536, gpu::Fmt::Index16, usage,
                              gpu::Pool::Default),
              gpu::kOk);
    Device->RegisterIndexBuffer(Indices);
}

void GameFolderTest::TearDown() {
    if (!Log)
        return;
    Vertices = CSharedPtr<CVertexBuffer>();
    Indices = CSharedPtr<CIndexBuffer>();
    Device = CSharedPtr<CRenderDevice>();
    Api.reset();
    for (const std::string& line : ErrorLines(Log->Text()))
        ADD_FAILURE() << "object log: " << line;
    Log.reset();
}

} // namespace integrity
