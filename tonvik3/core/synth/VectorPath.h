#pragma once
#include <atomic>
#include <type_traits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The vector code of the synthesizer is built twice where the compiler can:
// for SSE2, which every x86-64 has, and for AVX2 (twice the lanes, and a
// 32-bit multiply). The path is picked once, by what the machine offers, and
// can be forced to SSE2 to test it on any machine: TONVIK_VECTOR_PATH=sse2
// in the environment, or SetVectorPath. Both paths give the same bytes.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && !defined(__SANITIZE_ADDRESS__) && \
    !defined(__SANITIZE_THREAD__)
#define TONVIK_HAS_AVX2_PATH 1
#define TONVIK_AVX2_CODE __attribute__((target("avx2"), flatten))
#else
#define TONVIK_HAS_AVX2_PATH 0
#endif

namespace ovk {

enum class TVectorPath { Sse2, Avx2 };

// Tags of the paths, for a body that picks instructions of its own
// (intrinsics) by the path it is built for: OnVectorPath hands one to a body
// that takes it.
struct TSse2Path {};
struct TAvx2Path {};

#if defined(__SSE2__)
// op(x, y) on the two 16-byte halves of the 32-byte vectors a and b: where
// the SSE2 path has an instruction of its own that the compiler does not
// choose by itself.
template <class TVector, class Op>
inline TVector OnHalves(TVector a, TVector b, Op op)
{
    static_assert(sizeof(TVector) == 2 * sizeof(__m128i));
    __m128i x[2], y[2];
    __builtin_memcpy(x, &a, sizeof(a));
    __builtin_memcpy(y, &b, sizeof(b));
    x[0] = op(x[0], y[0]);
    x[1] = op(x[1], y[1]);
    TVector result;
    __builtin_memcpy(&result, x, sizeof(result));
    return result;
}
#endif

// True when this build has the path and the machine can run it.
bool VectorPathAvailable(TVectorPath path);
// The path in use.
TVectorPath ActiveVectorPath();
// Uses path from now on (tests, measurements); false, and nothing changes,
// when it is not available.
bool SetVectorPath(TVectorPath path);

namespace vector_detail {
// 1 for AVX2, 0 for SSE2, -1 until the first question decides it. Read
// inline: the block path asks it several times per channel and block.
extern std::atomic<signed char> g_avx2InUse;
bool DecideAvx2();
inline bool UseAvx2()
{
    const signed char inUse = g_avx2InUse.load(std::memory_order_relaxed);
    return inUse >= 0 ? inUse != 0 : DecideAvx2();
}

// Calls body with the path's tag, or without when it takes none.
template <class Body, class Path>
inline void RunBody(Body& body, Path path)
{
    if constexpr (std::is_invocable_v<Body&, Path>)
        body(path);
    else
        body();
}

// The lambda is taken by value: its captured values are then the copy's own
// (no store through a pointer can change them), so the loops keep them in
// registers and vectorise as in a plain function.
#if TONVIK_HAS_AVX2_PATH
template <class Body>
TONVIK_AVX2_CODE void RunAvx2(Body body)
{
    RunBody(body, TAvx2Path{});
}
#endif
template <class Body>
__attribute__((flatten)) void RunSse2(Body body)
{
    RunBody(body, TSse2Path{});
}
} // namespace vector_detail

// Runs body (a lambda holding a function's vector loops, capturing its
// arguments by value, and taking the path's tag if it wants it) built for
// the active path: the lambda and everything it calls that the compiler can
// see is inlined into each path's copy.
// Functions of other files are not: they dispatch on their own.
template <class Body>
inline void OnVectorPath(Body&& body)
{
#if TONVIK_HAS_AVX2_PATH
    if (vector_detail::UseAvx2()) {
        vector_detail::RunAvx2(body);
        return;
    }
#endif
    vector_detail::RunSse2(body);
}

} // namespace ovk
