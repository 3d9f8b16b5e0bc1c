// The core stays toolkit-free: no source of the engine, effects, image
// record, loader, document or dialog logic includes a Qt header. Only the
// image-file modules and the widget folders may.
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

TEST(ToolkitFreeCore, NoCoreSourceIncludesQt)
{
    const fs::path source(FOTRA_SOURCE_DIR);
    const std::regex qtInclude(R"(^\s*#\s*include\s*[<"](Q[A-Za-z]|qt))");
    std::vector<std::string> offenders;
    int checked = 0;
    for (const char* folder : {"engine", "effects", "image", "document", "dialog"}) {
        if (!fs::exists(source / folder)) {
            continue;
        }
        for (const auto& entry : fs::recursive_directory_iterator(source / folder)) {
            const fs::path relative = fs::relative(entry.path(), source);
            const std::string name = relative.generic_string();
            if (!entry.is_regular_file() || name.starts_with("image/ik5/modules/")
                || name.starts_with("dialog/widgets/")) {
                continue;
            }
            std::ifstream in(entry.path());
            std::string line;
            ++checked;
            while (std::getline(in, line)) {
                if (std::regex_search(line, qtInclude)) {
                    offenders.push_back(name + ": " + line);
                }
            }
        }
    }
    EXPECT_GT(checked, 0);
    EXPECT_TRUE(offenders.empty()) << ::testing::PrintToString(offenders);
}

} // namespace
