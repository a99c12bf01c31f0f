#pragma once
// The readers that take a file name get each fuzz input through one scratch
// file, made once per run and removed at exit.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

inline const std::string& FuzzScratchFile(const char* suffix) {
    static const std::string path = [suffix] {
        std::string name = std::string("/tmp/vemlor_fuzz_XXXXXX") + suffix;
        int fd = mkstemps(name.data(), static_cast<int>(std::string(suffix).size()));
        if (fd < 0) std::abort();
        close(fd);
        std::atexit([] { std::remove(FuzzScratchFile("").c_str()); });
        return name;
    }();
    return path;
}

inline const std::string& WriteFuzzInput(const std::uint8_t* data, std::size_t size, const char* suffix) {
    const std::string& path = FuzzScratchFile(suffix);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
    return path;
}
