#pragma once
#include "morvane/api/MorvaneApi.h"
#include "morvane/system/CEvent.h"

namespace morvane {

struct TTimerCell;

// An event that the process-wide timer pool sets once per period while the
// timer runs. The pool counts in whole milliseconds on one thread that runs
// while at least one timer runs. The event stays set until its owner resets
// it; a period missed meanwhile is not queued.
class MORVANE_API CTimer : public CEvent {
public:
    explicit CTimer(float periodSeconds);
    // A copy would share the event but not the pool entry: not allowed.
    CTimer(const CTimer&) = delete;
    CTimer& operator=(const CTimer&) = delete;
    // Stops the timer.
    ~CTimer() override;

    // Both do nothing when the timer already runs, or is already stopped.
    void Start();
    void Stop();

private:
    TTimerCell* m_cell;
};

} // namespace morvane
