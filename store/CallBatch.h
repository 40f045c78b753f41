#pragma once
// Writing a batch of calls of one site into the store, in one transaction.

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "store/PgConnection.h"
#include "store/StoredCall.h"

namespace tallyvox::store {

// COPY into a temporary table and one INSERT from it, or one INSERT with the
// rows as parameters; both skip the calls that the store already holds.
enum class TInsertMode { Copy, Insert };

// Gets a connection ready for InsertCalls (the temporary table of the copy).
void PrepareBatches(TPgConnection& connection);

// A call the store would not take, kept in tallyvox_set_aside: its place in the
// batch and the server's reason.
struct TSetAsideCall {
    std::size_t Index = 0;
    std::string Reason;
};

// Inserts the calls in their order (the store's ids follow it) and commits; a call
// already in the store is left as it is. When the server refuses the data of the
// batch (a value out of range, a limit of the store), the calls go one by one,
// and those it refuses are set aside with their bytes instead, so that one line
// never holds up the rest. The calls newly set aside. Throws EStoreError;
// nothing is kept then.
std::vector<TSetAsideCall> InsertCalls(TPgConnection& connection, const std::string& site,
                                       const std::string& serialNumber,
                                       const std::vector<TStoredCall>& calls, TInsertMode mode);

} // namespace tallyvox::store
