#pragma once
// The store's tables: created on first use, checked on every connect.

#include "store/PgConnection.h"

namespace tallyvox::store {

// The version this program writes and reads; tallyvox_schema holds the store's.
constexpr int SchemaVersion = 4;

// Creates the tables when the database has none of them, or checks that the ones
// found are of SchemaVersion with every column this program uses. An older store
// is brought to it first: from version 1, calls stored twice under two serial
// numbers (or one and none) keep one row, the one with a serial; version 3 adds
// tallyvox_set_aside, the lines the store could not take as calls. Throws
// EStoreError saying what does not fit. Safe when several programs connect at once.
void PrepareSchema(TPgConnection& connection);

} // namespace tallyvox::store
