#pragma once
// The collector's calls judged by the alert rules (--alerts) as each line
// reaches the call file, and the exchange's state by the rules about it
// (no_contact, buffer_full): every call and rule that fires, and every such
// state, is one log line at the rule's level, so that the journal and whoever
// watches it are told at once.

#include <memory>
#include <optional>
#include <string>

#include "callfile/CallFileWriter.h"
#include "collector/ExchangeState.h"
#include "collector/Log.h"

namespace tallyvox::collector {

class TAlertLink : public callfile::TAppendObserver, public TExchangeStateObserver {};

// Reads the rules (and the tariff table that rules of cost need) and the calls
// already in callFile (a Windows-1251 name), which teach the rules the prefixes
// dialled lately. Throws std::runtime_error saying what is wrong.
std::unique_ptr<TAlertLink> StartAlertLink(const std::string& rulesFile,
                                           const std::optional<std::string>& tariffs,
                                           const std::string& callFile, TLog& log);

} // namespace tallyvox::collector
