#include "app/RecordBridge.h"

#include "app/QtText.h"
#include "app/UiThread.h"

namespace tallyvox::app {

void TRecordBridge::RecordHandled(const std::string& line, int bufferFill, int rejectedCount,
                                  std::size_t pendingLines) {
    const QString shownLine = ToQString(line);
    RunOnUiThread(
        [&] { View.ShowHandledRecord(shownLine, bufferFill, rejectedCount, pendingLines); });
}

} // namespace tallyvox::app
