// A module with one exported function for the dynamic-library tests.
#include <cstdint>

extern "C" __attribute__((visibility("default"))) std::int32_t TestLib_Add(std::int32_t a, std::int32_t b) {
    return a + b;
}
