#pragma once
// Writing a batch of calls of one site into the store, in one transaction.

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

// Inserts the calls in their order (the store's ids follow it) and commits; a call
// already in the store is left as it is. Throws EStoreError; nothing is kept then.
void InsertCalls(TPgConnection& connection, const std::string& site,
                 const std::string& serialNumber, const std::vector<TStoredCall>& calls,
                 TInsertMode mode);

} // namespace tallyvox::store
