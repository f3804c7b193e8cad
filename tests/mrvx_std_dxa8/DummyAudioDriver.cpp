// SDL's dummy driver for every test program here, unless the environment
// names another: a real-time output without a sound card. (The ctest
// environment list does not reach the tests at present.)
#include <cstdlib>

namespace {
const bool kDummyDriver = setenv("SDL_AUDIODRIVER", "dummy", 0) == 0;
} // namespace
