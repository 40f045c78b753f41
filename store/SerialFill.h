#pragma once
// Rows stored without the serial number of their exchange (by a version that
// did not know it yet, or from a file without a coverage journal) take it when
// their line is sent again with it.

#include <string>
#include <vector>

#include "store/PgConnection.h"
#include "store/StoredCall.h"

namespace tallyvox::store {

// Whether the site has rows without a serial number (through a small index).
bool HasRowsWithoutSerial(TPgConnection& connection, const std::string& site);

// Gives serialNumber to the site's rows of these calls (the same line bytes and
// start) that have none. Nothing for an empty serialNumber. Throws EStoreError.
void FillMissingSerials(TPgConnection& connection, const std::string& site,
                        const std::string& serialNumber, const std::vector<TStoredCall>& calls);

} // namespace tallyvox::store
