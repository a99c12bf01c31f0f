// Feeds arbitrary bytes to the client's text import (the address book's and
// the history's) and checks what FuzzTextImport.h describes. Starting inputs and every
// input that ever failed: client/tests/data/import.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/client/FuzzTextImport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const AnsiString folder = [] {
        AnsiString f = "/tmp/vemlor-fuzz-import-" + std::to_string(getpid()) + "/";
        ForceDirectories(f);
        return f;
    }();
    const std::string problem = fuzz_text_import::Check(std::string(reinterpret_cast<const char*>(data), size), folder);
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
