#include "core/synth/VectorPath.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace ovk {

namespace {

bool MachineHasAvx2()
{
#if TONVIK_HAS_AVX2_PATH
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

} // namespace

// Constant-initialised, so that it is in place before any other static
// initialiser may render.
constinit std::atomic<signed char> vector_detail::g_avx2InUse{-1};

bool vector_detail::DecideAvx2()
{
    const char* forced = std::getenv("TONVIK_VECTOR_PATH");
    const bool avx2 = MachineHasAvx2() && !(forced && std::strcmp(forced, "sse2") == 0);
    // A path set meanwhile (SetVectorPath) stays.
    signed char undecided = -1;
    g_avx2InUse.compare_exchange_strong(undecided, avx2 ? 1 : 0, std::memory_order_relaxed);
    return g_avx2InUse.load(std::memory_order_relaxed) != 0;
}

bool VectorPathAvailable(TVectorPath path) { return path == TVectorPath::Sse2 || MachineHasAvx2(); }

TVectorPath ActiveVectorPath() { return vector_detail::UseAvx2() ? TVectorPath::Avx2 : TVectorPath::Sse2; }

bool SetVectorPath(TVectorPath path)
{
    if (!VectorPathAvailable(path))
        return false;
    vector_detail::g_avx2InUse.store(path == TVectorPath::Avx2 ? 1 : 0, std::memory_order_relaxed);
    return true;
}

} // namespace ovk
