# Sourced: the wine prefix of a cross-build, made ready for its tests.
#
# wine_prepare PREFIX WINE64 exports what every wine program of the build runs
# with, creates the prefix on first use, brings its session up and removes every
# COM port link from it. Wine links com1 to /dev/ttyS0, the machine's console,
# each time a session starts (the serial driver finds the device), so the links
# go only once the session is up: no program of the build ever finds a COM port
# it was not given. Tests link the ports they use themselves, after this, and
# call it again before each further wine program they start.

wine_prepare() {
    export WINEPREFIX=$1
    export TALLYVOX_WINE64=$2
    export WINEDEBUG=-all
    # No Mono or Gecko installer, no desktop menu entries.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    mkdir -p "$WINEPREFIX"
    (
        # Tests that run side by side share the prefix: one of them makes it.
        flock 9
        # The server keeps the session for ten seconds after its last program,
        # so that the program started after this finds it (and no new links).
        # Its own reports go nowhere: it dumps all its objects each time a
        # linked terminal hangs up. A server already running stays as it is.
        "$(dirname "$TALLYVOX_WINE64")/wineserver" -p10 >/dev/null 2>&1 9>&- || true
        if [ ! -f "$WINEPREFIX/system.reg" ]; then
            "$TALLYVOX_WINE64" wineboot --init >/dev/null 2>&1 9>&-
        fi
        # Starts the session when none runs (its serial driver makes the links);
        # a no-op within a running one.
        "$TALLYVOX_WINE64" cmd /c exit >/dev/null 2>&1 9>&-
        find "$WINEPREFIX/dosdevices" -maxdepth 1 -name 'com[0-9]*' -exec rm -f {} +
    ) 9>"$WINEPREFIX.lock"
}
