// Ini files and the typed readers over them: any bytes must read without undefined
// behaviour (no value that is no number reaches a cast), and a value written with
// the write call must read back as written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "engine/IniHelpers.h"
#include "platform/os/Ini.h"

namespace {

// Section and key names as the file spells them, so the reads find something.
void CollectNames(const std::string& text, std::vector<std::string>& sections,
                  std::vector<std::string>& keys) {
    size_t pos = 0;
    while (pos < text.size() && sections.size() < 6 && keys.size() < 6) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line[0] == '[') {
            sections.push_back(line.substr(
                1, line.find(']') == std::string::npos ? std::string::npos : line.find(']') - 1));
        } else if (size_t eq = line.find('='); eq != std::string::npos) {
            keys.push_back(line.substr(0, eq));
        }
        pos = end + 1;
    }
    sections.push_back("Settings");
    keys.push_back("Width");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::WriteInput("Data/Config/Fuzz.ini", data, size);
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> sections, keys;
    CollectNames(text, sections, keys);

    for (const std::string& s : sections) {
        for (const std::string& k : keys) {
            const char* sec = s.c_str();
            const char* key = k.c_str();
            (void)GetIniInt(path, sec, key, "7");
            (void)GetIniFloat(path, sec, key, "0.5");
            float f4[4] = {1.0f, 2.0f, 3.0f, 4.0f};
            GetIniFloat4(f4, path, sec, key, "nan 1 2 3");
            int32_t i2[2] = {0, 0};
            GetIniInt2(i2, path, sec, key, "1 2");
            (void)GetIniColour(path, sec, key, "255 255 255 255");
            std::string out;
            GetIniString(out, path, sec, key, "default", 16);
            char small[4];
            (void)GetIniRaw(path, sec, key, "", small, sizeof small);
            (void)GetIniIntClamped(path, sec, key, "1", 0, 22);
            const float c = GetIniFloatClamped(path, sec, key, "0.25", 0.0f, 1.0f);
            if (!(c >= 0.0f && c <= 1.0f))
                std::abort();
            // What reaches a cast after a clamp must be a number.
            (void)static_cast<int32_t>(c * 255.0f);
        }
    }

    // A value written reads back as written, and the file stays readable.
    const std::string& sec = sections.front();
    const std::string& key = keys.front();
    if (os::WriteProfileString(sec.c_str(), key.c_str(), "written", path)) {
        if (os::GetProfileString(sec.c_str(), key.c_str(), "", path) != "written")
            std::abort();
    }
    return 0;
}
