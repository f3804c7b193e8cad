#pragma once
// Symbol visibility of the framework library: it is built with hidden
// visibility, and only what carries MORVANE_API is exported.
#if defined(MORVANE_BUILDING_LIBRARY)
#define MORVANE_API __attribute__((visibility("default")))
#else
#define MORVANE_API __attribute__((visibility("default")))
#endif

// Wide string literal of a narrow macro such as __FILE__.
#define MRV_WIDEN2(x) L##x
#define MRV_WIDEN(x) MRV_WIDEN2(x)
#define MRV_WFILE MRV_WIDEN(__FILE__)
