#pragma once
// The store's tables: created on first use, checked on every connect.

#include "store/PgConnection.h"

namespace tallyvox::store {

// The version this program writes and reads; tallyvox_schema holds the store's.
constexpr int SchemaVersion = 2;

// Creates the tables when the database has none of them, or checks that the ones
// found are of SchemaVersion with every column this program uses. A store of
// version 1 is brought to version 2 first: calls stored twice under two serial
// numbers (or one and none) keep one row, the one with a serial. Throws
// EStoreError saying what does not fit. Safe when several programs connect at once.
void PrepareSchema(TPgConnection& connection);

} // namespace tallyvox::store
