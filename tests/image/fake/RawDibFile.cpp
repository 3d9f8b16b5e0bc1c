// A stand-in for libIK5FILE.so in the image tests: IK5FileLoad returns the
// file's bytes unchanged as the DIB, so a test can hand the record any DIB
// it writes by hand (another bit count, a chosen colour table). Empty or
// unreadable files give null. The block is malloc'd, as the real modules'.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" __attribute__((visibility("default"))) void* IK5FileLoad(const char* path, int, int, const char*,
                                                                    const char*, const char*)
{
    std::FILE* file = std::fopen(path, "rb");
    if (!file) {
        return nullptr;
    }
    std::vector<char> bytes;
    char chunk[4096];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    std::fclose(file);
    if (bytes.empty()) {
        return nullptr;
    }
    void* block = std::malloc(bytes.size());
    if (block) {
        std::memcpy(block, bytes.data(), bytes.size());
    }
    return block;
}
