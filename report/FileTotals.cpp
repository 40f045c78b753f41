#include "report/FileTotals.h"

#include "report/CallSource.h"
#include "report/Session.h"

namespace tallyvox::report {

TFileTotals ReadFileTotals(const std::string& fileName, unsigned threads) {
    TCallFileSource source(fileName);
    TReportSession session;
    session.Load(source, {}, false, threads);
    return {session.LineCount(), std::move(session.Lines()), std::move(session.Trunks())};
}

} // namespace tallyvox::report
