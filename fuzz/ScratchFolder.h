// A private folder under the temporary directory for one fuzzing process: each
// input is written to `inputPath` inside it, and the folder goes with the
// harness.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <stdlib.h>

struct ScratchFolder {
    std::filesystem::path folder;
    std::string inputPath;

    ScratchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "fotra-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        folder = pattern;
        inputPath = (folder / "input").string();
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
};
