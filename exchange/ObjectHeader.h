#pragma once
// Included by every header of the exchange object beyond its model (the port,
// the link, the notifier, the configuration files). The definition comes with
// linking tallyvox_exchange, so a layer that links only tallyvox_model (the
// call file, the simulator) cannot reach the object by an include either.
#ifndef TALLYVOX_LINKS_EXCHANGE
// Use the model's headers (model/) instead: Record.h, Status.h, ReadState.h, Calendar.h,
// Clock.h, Protocol.h, FilePath.h, Identification.h, RealTime.h.
#error "this header belongs to tallyvox_exchange, which this target does not link"
#endif
