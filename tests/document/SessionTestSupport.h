// Helpers of the history and recovery tests: a temporary session folder that
// is removed with everything in it, the files a folder holds, a scripted
// question box, and the observable state of a document.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "DocumentFakes.h"
#include "document/CFotraDoc.h"
#include "document/DocumentUi.h"

namespace documenttest {

class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "fotra-session-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // File names in the folder, sorted.
    std::vector<std::string> files() const
    {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& item : std::filesystem::directory_iterator(path_, error)) {
            names.push_back(item.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // The one file whose name ends with `suffix`, or an empty path.
    std::filesystem::path fileEndingWith(const std::string& suffix) const
    {
        for (const std::string& name : files()) {
            if (name.ends_with(suffix)) {
                return path_ / name;
            }
        }
        return {};
    }

private:
    std::filesystem::path path_;
};

class FakeQuestionBox : public IQuestionBox {
public:
    RecoveryAnswer answer = RecoveryAnswer::Later;
    std::vector<std::string> questions;
    RecoveryAnswer askRecovery(const std::string& text) override
    {
        questions.push_back(text);
        return answer;
    }
};

inline EffectValues contrast(int effect)
{
    EffectValues values;
    values.strengthValue = 10;
    values.effectValue = effect;
    return values;
}

} // namespace documenttest
