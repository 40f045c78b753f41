#!/bin/bash
# The .deb as a user gets it: built by CPack from the build tree, unpacked with
# dpkg-deb, and its programs run from there: the collector reads the simulator
# (also from the package) once, the report shows its help and prices those
# calls by the packaged tariff table. The package declares
# its dependencies, and the service unit passes systemd-analyze verify where that
# tool is present.
# Usage: package_test.sh BUILD-DIR CPACK
build=$1
cpack=$2
source "$(dirname "$0")/../kit/program_kit.sh"
fail_logs=('*.log' sim.err)

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    fail "cpack did not build the package"
deb=$(ls "$work"/out/tallyvox_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || fail "no .deb"

dpkg-deb --info "$deb" >"$work/info.log" || fail "dpkg-deb --info failed"
grep -q "^ Depends:.*libc6" "$work/info.log" && grep -q "^ Depends:.*libstdc++6" "$work/info.log" &&
    grep -q "^ Depends:.*adduser" "$work/info.log" && grep -q "^ Depends:.*libsystemd0" "$work/info.log" ||
    fail "the package does not declare its dependencies"
grep -q "postinst" "$work/info.log" || fail "the package has no postinst"

root=$work/root
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x failed"
for file in usr/bin/tallyvox-collect usr/bin/tallyvox-report usr/bin/tallyvox-sim \
    usr/lib/systemd/system/tallyvox-collect.service usr/share/applications/tallyvox.desktop \
    usr/lib/systemd/system/tallyvox-report-mail@.service usr/share/doc/tallyvox/examples/report-mail.toml \
    usr/share/icons/hicolor/scalable/apps/tallyvox.svg usr/share/doc/tallyvox/examples/TallyvoxOut.cfg \
    usr/share/doc/tallyvox/examples/tariffs.csv usr/share/doc/tallyvox/examples/alerts.toml; do
    [ -e "$root/$file" ] || fail "the package lacks /$file"
done

"$root/usr/bin/tallyvox-report" --help >"$work/report.log" 2>&1 || fail "tallyvox-report --help failed"
if [ -x "$root/usr/bin/tallyvox-web" ]; then
    "$root/usr/bin/tallyvox-web" --help >"$work/web.log" 2>&1 || fail "tallyvox-web --help failed"
fi
grep -q "^usage: tallyvox-report" "$work/report.log" || fail "tallyvox-report --help shows no usage"

sim=$root/usr/bin/tallyvox-sim
start_sim --calls 3
(cd "$work" && timeout 60 "$root/usr/bin/tallyvox-collect" --once --port "$work/com" \
    --file calls.txt 2>"$work/collect.log")
status=$?
[ "$status" -eq 0 ] || fail "the unpacked tallyvox-collect --once ended with $status"
[ "$(grep -c '^[0-9][0-9]-' "$work/calls.txt")" -eq 3 ] || fail "not the 3 calls in the file"
# README's pricing example with the packaged tariff table.
"$root/usr/bin/tallyvox-report" "$work/calls.txt" \
    --tariffs "$root/usr/share/doc/tallyvox/examples/tariffs.csv" >"$work/priced.log" 2>&1 ||
    fail "tallyvox-report does not price the calls by the packaged tariff table"

# The service tells systemd its state, and --store reaches a server on the
# network (README's store example): the sandbox lets TCP over IPv4 and IPv6 out.
unit=$root/usr/lib/systemd/system/tallyvox-collect.service
grep -qx "Type=notify" "$unit" || fail "the unit is not Type=notify"
grep -q "^PrivateNetwork=yes" "$unit" && fail "the unit cuts the service off the network"
families=$(sed -n 's/^RestrictAddressFamilies=//p' "$unit")
for family in AF_UNIX AF_INET AF_INET6; do
    [[ " $families " == *" $family "* ]] || fail "the unit does not allow $family"
done
if ! command -v systemd-analyze >/dev/null; then
    echo "package: systemd-analyze is not installed; the unit is not verified"
else
    # The unit as installed, pointed at the unpacked program.
    mkdir "$work/unit"
    sed "s|/usr/bin/tallyvox-collect|$root/usr/bin/tallyvox-collect|" \
        "$root/usr/lib/systemd/system/tallyvox-collect.service" >"$work/unit/tallyvox-collect.service"
    systemd-analyze verify "$work/unit/tallyvox-collect.service" >"$work/verify.log" 2>&1 ||
        fail "systemd-analyze verify refuses the unit"
    # The report mail's timers and the service they start, found beside them; the
    # web view's service.
    for file in "$root"/usr/lib/systemd/system/tallyvox-report-mail* \
        "$root"/usr/lib/systemd/system/tallyvox-web.service; do
        [ -e "$file" ] || continue
        sed "s|/usr/bin/tallyvox-|$root/usr/bin/tallyvox-|" "$file" >"$work/unit/$(basename "$file")"
    done
    if [ -e "$work/unit/tallyvox-web.service" ]; then
        systemd-analyze verify "$work/unit/tallyvox-web.service" >"$work/verify-web.log" 2>&1 ||
            fail "systemd-analyze verify refuses the web view's unit"
    fi
    (cd "$work/unit" && SYSTEMD_UNIT_PATH="$work/unit:" systemd-analyze verify \
        tallyvox-report-mail-weekly.timer tallyvox-report-mail-monthly.timer \
        tallyvox-report-mail@lastweek.service tallyvox-report-mail@lastmonth.service) \
        >"$work/verify-mail.log" 2>&1 || fail "systemd-analyze verify refuses the report mail's units"
    grep -qx "OnCalendar=Mon \*-\*-\* 07:00:00" "$work/unit/tallyvox-report-mail-weekly.timer" &&
        grep -qx "OnCalendar=\*-\*-01 07:00:00" "$work/unit/tallyvox-report-mail-monthly.timer" &&
        grep -qx "Persistent=true" "$work/unit/tallyvox-report-mail-monthly.timer" ||
        fail "the report mail's timers are not Monday and the 1st at 07:00, kept over a stop"
fi
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$root/usr/share/applications/tallyvox.desktop" >"$work/desktop.log" 2>&1 ||
        fail "the desktop entry is not valid"
fi

echo "package: ok"
