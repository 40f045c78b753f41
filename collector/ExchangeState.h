#pragma once
// What the collector knows of the exchange besides its calls, told as it
// learns it: the rules about the exchange (no contact, a full buffer) follow it.

#include "model/Clock.h"

namespace tallyvox::collector {

class TExchangeStateObserver {
public:
    virtual ~TExchangeStateObserver() = default;
    // The exchange answered (identified, a record, a pass) at now, local time.
    virtual void Contact(const TCalendarTime& now) = 0;
    // An attempt ended without contact; the time is now.
    virtual void NoContact(const TCalendarTime& now) = 0;
    // The exchange said its buffer holds fill records of capacity.
    virtual void BufferFill(int fill, int capacity) = 0;
};

} // namespace tallyvox::collector
