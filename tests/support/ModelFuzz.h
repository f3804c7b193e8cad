#pragma once
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

// What the model fuzzers share: which seeds to run for how many steps, and
// the random choices of one run.
//
// By default each fuzzer runs its own few seeds for a bounded number of steps
// (the test command); TONVIK_FUZZ_SEEDS="7 8 9" (or a single TONVIK_FUZZ_SEED)
// and TONVIK_FUZZ_STEPS choose others, for long runs and for replaying the
// seed that a failure printed.
namespace tonvik_test {

// The seeds to run: TONVIK_FUZZ_SEEDS or TONVIK_FUZZ_SEED, else the defaults.
// (The seed is the test's parameter, so that ctest names the test by it.)
inline std::vector<std::uint32_t> FuzzSeeds(std::vector<std::uint32_t> seeds)
{
    const char* list = std::getenv("TONVIK_FUZZ_SEEDS");
    if (!list || !*list)
        list = std::getenv("TONVIK_FUZZ_SEED");
    if (list && *list) {
        seeds.clear();
        char* end = nullptr;
        for (const char* at = list;; at = end) {
            const unsigned long seed = std::strtoul(at, &end, 0);
            if (end == at)
                break;
            seeds.push_back(static_cast<std::uint32_t>(seed));
        }
    }
    return seeds;
}

// Steps per seed: TONVIK_FUZZ_STEPS, else steps.
inline int FuzzSteps(int steps)
{
    if (const char* count = std::getenv("TONVIK_FUZZ_STEPS"); count && *count)
        return std::atoi(count);
    return steps;
}

// The random choices of one run, all from its seed.
class CFuzzRandom {
public:
    explicit CFuzzRandom(std::uint32_t seed) : m_engine(seed) {}

    // 0 … n - 1.
    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_engine); }
    // from … to, both included.
    int Between(int from, int to) { return std::uniform_int_distribution<int>(from, to)(m_engine); }
    bool Chance(double p) { return std::bernoulli_distribution(p)(m_engine); }
    template <class T>
    const T& Pick(const std::vector<T>& items) { return items[static_cast<std::size_t>(Below(static_cast<int>(items.size())))]; }

private:
    std::mt19937 m_engine;
};

} // namespace tonvik_test
