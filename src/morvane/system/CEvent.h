#pragma once
#include <memory>
#include "morvane/api/CClassObject.h"
#include "morvane/api/MorvaneApi.h"

namespace morvane {

class CEvent;
struct TEventState;
struct TEventAccess;

// What an asynchronous wait's callback receives: the event that fired, its
// index in the waited list (0 for a wait-all), the wait's id and the caller's
// user pointer.
struct MORVANE_API TAsyncCbData {
    CEvent* event;
    int index;
    unsigned int id;
    void* user;
};

using TAsyncCallback = void (*)(const TAsyncCbData& data);

// A manual-reset waitable flag, created unsignalled. Copies name the same
// event: setting one sets them all.
//
// Timed waits take seconds, truncated to whole milliseconds; Wait(0.0f) tests
// the state without waiting. When the time runs out they throw
// CTimeoutException "Timeout". Lists of events follow their count as CEvent*
// arguments (a CTimer is passed as its CEvent*) and are cut at kMaxEvents
// entries; an empty list or a null entry throws.
//
// An asynchronous wait runs on a thread of its own and calls its callback each
// time it finds its event(s) signalled; since events stay set until reset, the
// callback keeps being called until somebody resets the event. StopAsync and
// the destructor of an event in the list end the wait and, unless they are
// called from the wait's own callback, return only after its thread has
// ended, so a callback never runs after they return. A callback must therefore
// not wait for something that the stopping thread holds.
class MORVANE_API CEvent : public CClassObject {
public:
    static constexpr int kMaxEvents = 256;

    CEvent();
    CEvent(const CEvent& other);
    CEvent& operator=(const CEvent& other);
    // Stops every asynchronous wait that includes this event.
    ~CEvent() override;

    void SetState(bool signalled);
    bool GetState() const;

    void Wait();
    void Wait(float seconds);

    static void Wait(CEvent& event);
    static void Wait(float seconds, CEvent& event);
    // Index of the first signalled event in argument order.
    static int WaitOne(int count, ...);
    static int WaitOne(float seconds, int count, ...);
    // Returns once all the events are signalled at the same time.
    static void WaitAll(int count, ...);
    static void WaitAll(float seconds, int count, ...);

    // Each returns the wait's id; ids count up from 0 in the order waits start.
    unsigned int WaitAsync(TAsyncCallback callback, void* user);
    static unsigned int WaitAsync(TAsyncCallback callback, void* user, CEvent& event);
    static unsigned int WaitOneAsync(TAsyncCallback callback, void* user, int count, ...);
    static unsigned int WaitAllAsync(TAsyncCallback callback, void* user, int count, ...);
    // True when a wait was found and stopped.
    static bool StopAsync(unsigned int id);
    // Stops the first running wait started with that callback.
    static bool StopAsync(TAsyncCallback callback);

private:
    friend struct TEventAccess;
    std::shared_ptr<TEventState> m_state;
};

} // namespace morvane
