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

std::atomic<bool>& Avx2InUse()
{
    static std::atomic<bool> inUse{[] {
        const char* forced = std::getenv("TONVIK_VECTOR_PATH");
        return MachineHasAvx2() && !(forced && std::strcmp(forced, "sse2") == 0);
    }()};
    return inUse;
}

} // namespace

bool VectorPathAvailable(TVectorPath path) { return path == TVectorPath::Sse2 || MachineHasAvx2(); }

TVectorPath ActiveVectorPath() { return Avx2InUse().load(std::memory_order_relaxed) ? TVectorPath::Avx2 : TVectorPath::Sse2; }

bool SetVectorPath(TVectorPath path)
{
    if (!VectorPathAvailable(path))
        return false;
    Avx2InUse().store(path == TVectorPath::Avx2, std::memory_order_relaxed);
    return true;
}

bool vector_detail::UseAvx2() { return Avx2InUse().load(std::memory_order_relaxed); }

} // namespace ovk
