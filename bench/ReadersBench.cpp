// Cost of the text readers on hostile files: the quest layout read from a skin
// file padded with a megabyte of blank lines (every key read must not parse the
// file again), and a configuration full of warnings (every log entry must not
// open and close the log).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "engine/IniHelpers.h"
#include "engine/ObjectLog.h"
#include "platform/os/Ini.h"
#include "playfield/QuestFieldLayout.h"

namespace {

std::string WriteScratch(const std::string& name, const std::string& text) {
    const auto path = std::filesystem::temp_directory_path() / ("gvbench_" + name);
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    return path.string();
}

void BM_SkinLayoutFromAPaddedFile(benchmark::State& state) {
    const std::string skin = WriteScratch("Skin.cfg", "[FieldQuest]\nFrameCount=22\n" +
                                                          std::string(os::kMaxIniBytes - 64, '\n') +
                                                          "[PanelQuest]\nAlpha=0.5\n");
    SetObjectLogPath(WriteScratch("Objects.log", ""));
    CQuestFieldLayout layout;
    for (auto _ : state) {
        os::ForgetProfileFiles();
        layout.Load(skin);
        benchmark::DoNotOptimize(layout.AlphaByte);
    }
    std::filesystem::remove(skin);
}
BENCHMARK(BM_SkinLayoutFromAPaddedFile)->Unit(benchmark::kMillisecond);

void BM_WarningsOfABadConfiguration(benchmark::State& state) {
    std::string text = "[S]\n";
    for (int i = 0; i < 500; ++i)
        text += "K" + std::to_string(i) + "=nan\n";
    const std::string file = WriteScratch("Bad.cfg", text);
    SetObjectLogPath(WriteScratch("Objects.log", ""));
    for (auto _ : state) {
        ResetObjectLog();
        float sum = 0.0f;
        for (int i = 0; i < 500; ++i)
            sum += GetIniFloat(file, "S", ("K" + std::to_string(i)).c_str(), "1");
        benchmark::DoNotOptimize(sum);
    }
    std::filesystem::remove(file);
}
BENCHMARK(BM_WarningsOfABadConfiguration)->Unit(benchmark::kMillisecond);

} // namespace
