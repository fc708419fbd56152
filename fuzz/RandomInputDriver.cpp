// Runs a fuzz target on deterministic pseudo-random inputs, so that the target
// is exercised by every test run even where libFuzzer is not available.
// QUOLT_FUZZ_SEED and QUOLT_FUZZ_RUNS override the seed and the input count.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

namespace {

uint64_t EnvOr(const char* Name, uint64_t Default) {
    const char* Value = std::getenv(Name);
    return Value != nullptr ? std::strtoull(Value, nullptr, 10) : Default;
}

} // namespace

int main() {
    const uint64_t Seed = EnvOr("QUOLT_FUZZ_SEED", 20261208);
    const uint64_t Runs = EnvOr("QUOLT_FUZZ_RUNS", 3000);
    std::mt19937_64 Random(Seed);
    // Bytes are drawn mostly from a small alphabet rich in the characters the
    // engine treats specially, so that breaks, codes and blanks meet often.
    const uint8_t Special[] = {0, 1, 2, 3, 4, 9, 10, 13, 21, 32, 'a', 'b', '<', '>', 0x80, 0xFF};
    std::vector<uint8_t> Input;
    for (uint64_t Run = 0; Run < Runs; ++Run) {
        const size_t Size = Run % 50 == 0 ? Random() % 200000 : Random() % 2000;
        Input.resize(Size);
        for (auto& Byte : Input)
            Byte = Random() % 4 == 0 ? static_cast<uint8_t>(Random())
                                     : Special[Random() % sizeof(Special)];
        LLVMFuzzerTestOneInput(Input.data(), Input.size());
    }
    std::printf("%llu inputs, seed %llu\n", static_cast<unsigned long long>(Runs),
                static_cast<unsigned long long>(Seed));
    return 0;
}
