# Helpers for the scenario scripts of the Windows lane (sourced; runs in the
# guest with WINEPREFIX, LANE, SCENARIO and OUT set by the lane's entry).
#   robot STEP...        the UI robot (its output lines: window=, text=, exit=, ...)
#   expect_eq WHAT WANT GOT, expect_line WHAT LINE OUTPUT   record a check
#   finish               exit 1 when any check failed
#   put_standin_installer  our recording stand-in as the system's msiexec.exe
#   windows_path PATH    the Wine path of a Unix path
set -u
failures=0
BIN=$LANE/bin
export PATH=/usr/bin:/bin:/usr/sbin:/sbin

robot() {
    wine "$BIN/robot.exe" "$@" 2>/dev/null | tr -d '\r'
}

expect_eq() {
    if [ "$2" == "$3" ]; then
        echo "ok   $1"
    else
        echo "FAIL $1"
        echo "     wanted: $2"
        echo "     got:    $3"
        failures=$((failures + 1))
    fi
}

# Passes when OUTPUT holds LINE as one whole line.
expect_line() {
    if grep -qxF -- "$2" <<< "$3"; then
        echo "ok   $1"
    else
        echo "FAIL $1: no line \"$2\" in:"
        sed 's/^/     | /' <<< "$3"
        failures=$((failures + 1))
    fi
}

expect_no_line() {
    if grep -qxF -- "$2" <<< "$3"; then
        echo "FAIL $1: unexpected line \"$2\""
        failures=$((failures + 1))
    else
        echo "ok   $1"
    fi
}

# The value of the first "KEY=value" line of OUTPUT.
value_of() {
    sed -n "s/^$1=//p" <<< "$2" | head -1
}

finish() {
    if [ "$failures" -ne 0 ]; then
        echo "$failures check(s) failed"
        exit 1
    fi
    echo "all checks passed"
    exit 0
}

windows_path() {
    wine winepath -w "$1" 2>/dev/null | tr -d '\r'
}

# The folder a 32-bit program sees as its system folder.
system_folder_32() {
    if [ -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then
        echo "$WINEPREFIX/drive_c/windows/syswow64"
    else
        echo "$WINEPREFIX/drive_c/windows/system32"
    fi
}

put_standin_installer() {
    cp "$BIN/msiexec.exe" "$(system_folder_32)/msiexec.exe"
}
