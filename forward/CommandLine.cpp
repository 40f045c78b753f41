#include "forward/CommandLine.h"

#include <iconv.h>

#include "text/Cp1251.h"

namespace tallyvox::store {

namespace {

// Whether text is UTF-8, the store's encoding, as typed in a UTF-8 locale: the
// store refuses anything else, and would refuse every call of the site.
bool IsUtf8(const std::string& text) {
    const iconv_t check = iconv_open("UTF-8", "UTF-8");
    if (check == reinterpret_cast<iconv_t>(-1)) {
        return true; // the server says so then
    }
    std::string copy = text;
    std::string out(text.size(), '\0');
    char* in = copy.data();
    char* to = out.data();
    std::size_t inLeft = copy.size();
    std::size_t outLeft = out.size();
    const bool valid = iconv(check, &in, &inLeft, &to, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(check);
    return valid;
}

} // namespace

TForwardOptions ParseForwardCommandLine(const std::vector<std::string>& arguments) {
    TForwardOptions options;
    std::vector<std::string> files;
    cli::TOptionTable(options.Help)
        .Value("--store", cli::Into(options.Settings.Url))
        .Value("--site", cli::Into(options.Settings.Site))
        .Value("--serial",
               [&](const std::string&, const std::string& serial) {
                   options.SerialNumber = text::Utf8ToCp1251(serial); // as the exchange gives it
               })
        .Flag("--insert", [&] { options.Settings.Mode = TInsertMode::Insert; })
        .Flag("--once", [&] { options.Once = true; })
        .Operands([&](const std::string& file) { files.push_back(file); })
        .Walk(arguments);
    if (options.Help) {
        return options;
    }
    if (options.Settings.Url.empty() || options.Settings.Site.empty()) {
        throw EForwardCommandLineError("--store and --site must be given");
    }
    if (!IsUtf8(options.Settings.Site)) {
        throw EForwardCommandLineError("--site: the name must be UTF-8 text");
    }
    if (files.size() != 1) {
        throw EForwardCommandLineError("one call-accounting file must be given");
    }
    options.Settings.CallFile = files.front();
    return options;
}

std::string ForwardUsage() {
    return R"(usage: tallyvox-forward --store URL --site NAME [options] CALLFILE
Sends the calls of a call-accounting file to a PostgreSQL store, then follows the
file and sends each call as it is appended, until SIGTERM or SIGINT. The file is
the spool: CALLFILE.store keeps how far it was delivered, so a stop, a crash or
a store that is down loses nothing, and the store keeps one row per call
whatever is sent again; a site that was offline catches up by itself. The
collector's CALLFILE.coverage, when there is one, gives each call the serial
number of its exchange and goes to the store as the site's coverage.

  --store URL     the store ("postgresql://user@host/db" or "host=... dbname=...")
  --site NAME     the name of this office in the store
  --serial TEXT   the serial number of the exchange for the calls that no
                  CALLFILE.coverage places (kept in CALLFILE.store for later runs)
  --once          send what is there and exit
  --insert        send with INSERT statements instead of COPY
  --help          show this text

Exit status: 0 done (or stopped), 1 the store or the file failed (--once),
2 a mistake in the options.
)";
}

} // namespace tallyvox::store
