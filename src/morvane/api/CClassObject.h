#pragma once
#include <cstddef>
#include "morvane/api/MorvaneApi.h"

namespace morvane {

// Base of the framework's value-like helpers (locks, readers, writers,
// selectors): a virtual destructor and class-level allocation on the C heap.
class MORVANE_API CClassObject {
public:
    virtual ~CClassObject() = default;
    // Throws COutOfMemoryException "malloc failed" when the heap is exhausted.
    static void* operator new(std::size_t size);
    static void operator delete(void* p) noexcept;
};

} // namespace morvane
