// The core stays toolkit-free: no source of the engine, effects, image
// record, loader, document or dialog logic includes a Qt header. Only the
// image-file modules and the widget folders may.
#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

// True for a line like `#include <QImage>` or `# include "qtconfig.h"`.
bool includesQt(const std::string& line)
{
    std::size_t pos = line.find_first_not_of(" \t");
    if (pos == std::string::npos || line[pos] != '#') {
        return false;
    }
    pos = line.find_first_not_of(" \t", pos + 1);
    if (pos == std::string::npos || line.compare(pos, 7, "include") != 0) {
        return false;
    }
    pos = line.find_first_not_of(" \t", pos + 7);
    if (pos == std::string::npos || (line[pos] != '<' && line[pos] != '"')) {
        return false;
    }
    const std::string name = line.substr(pos + 1);
    return (name.size() > 1 && name[0] == 'Q' && std::isalpha(static_cast<unsigned char>(name[1])))
           || name.starts_with("qt");
}

TEST(ToolkitFreeCore, TheCheckRecognisesQtIncludes)
{
    EXPECT_TRUE(includesQt("#include <QImage>"));
    EXPECT_TRUE(includesQt("  #  include \"QtGui/qimage.h\""));
    EXPECT_TRUE(includesQt("#include <qtconfigmacros.h>"));
    EXPECT_FALSE(includesQt("#include <queue>"));
    EXPECT_FALSE(includesQt("#include \"image/COvImage2.h\""));
    EXPECT_FALSE(includesQt("// #include <QImage> is not allowed here"));
}

TEST(ToolkitFreeCore, NoCoreSourceIncludesQt)
{
    const fs::path source(FOTRA_SOURCE_DIR);
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
                if (includesQt(line)) {
                    offenders.push_back(name + ": " + line);
                }
            }
        }
    }
    EXPECT_GT(checked, 0);
    EXPECT_TRUE(offenders.empty()) << ::testing::PrintToString(offenders);
}

} // namespace
