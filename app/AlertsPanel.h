#pragma once
// Today's alerts in the main window, when "TallyvoxOut.cfg" names an alert
// rules file on an ALERTS= line: a status-bar panel "Тревог сегодня: N" counts
// the alerts that the calls captured by the window fire today, judged as each
// call's line is appended to the call file, and a click on it lists them.

#include <QWidget>
#include <string>

#include "callfile/CallFileWriter.h"

namespace tallyvox::app {

struct TAlertsFollow {
    QWidget* Panel = nullptr;                      // owned by the status bar
    callfile::TAppendObserver* Observer = nullptr; // for the call file's writer
};

// The panel (a child of statusBar) and the observer for the rules that
// outConfigText names, with its tariff table (TARIFFS=) for the rules of cost;
// callFile (Windows-1251) teaches the rules the prefixes dialled lately. Both
// null when no rules are named, and when they are refused or this build has no
// alert rules: the reason then goes to standard error.
TAlertsFollow FollowAlerts(QWidget* statusBar, const std::string& outConfigText,
                           const std::string& callFile);

} // namespace tallyvox::app
