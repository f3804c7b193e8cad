#pragma once
// Symbol visibility of the framework library: it is built with hidden
// visibility, and only what carries MORVANE_API is exported. Users see the
// same attribute, so one definition serves both sides.
#define MORVANE_API __attribute__((visibility("default")))

// Wide string literal of a narrow macro such as __FILE__.
#define MRV_WIDEN2(x) L##x
#define MRV_WIDEN(x) MRV_WIDEN2(x)
#define MRV_WFILE MRV_WIDEN(__FILE__)
