#pragma once
// The bounded random-input tests run a short, fixed series in ./test; bench/fuzz.sh runs them long
// with other seeds through RAMBROOM_FUZZ_ROUNDS and RAMBROOM_FUZZ_SEED.

#include <cstdlib>
#include <cstdint>
#include <iostream>

namespace test_support {

inline long FuzzRounds(long fallback) {
    const char* text = std::getenv("RAMBROOM_FUZZ_ROUNDS");
    const long rounds = text ? std::atol(text) : 0;
    return rounds > 0 ? rounds : fallback;
}

inline std::uint32_t FuzzSeed(std::uint32_t fallback) {
    const char* text = std::getenv("RAMBROOM_FUZZ_SEED");
    const auto seed = text ? static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10)) : fallback;
    if (text) {
        std::cerr << "fuzz seed " << seed << "\n"; // to replay a failure
    }
    return seed;
}

} // namespace test_support
