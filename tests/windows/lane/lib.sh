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

# Line-buffered, so that a watcher sees each line as the robot prints it.
robot() {
    wine "$BIN/robot.exe" "$@" 2>/dev/null | stdbuf -oL tr -d '\r'
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

# Wine would otherwise keep running its own msiexec from the system folder of
# a 32-bit prefix, so the override asks for the file that is there.
put_standin_installer() {
    cp "$BIN/msiexec.exe" "$(system_folder_32)/msiexec.exe"
    export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;msiexec.exe=n"
}

# A setup program of the installation fixtures (default setup.exe), copied to
# where a user's download would be; prints its Windows path.
stage_setup() {  # [NAME]
    local name=${1:-setup.exe}
    local downloads="$WINEPREFIX/drive_c/users/Public/Downloads"
    mkdir -p "$downloads"
    cp "$LANE/install/$name" "$downloads/$name"
    echo "C:\\users\\Public\\Downloads\\$name"
}

# A registry value as reg.exe prints it ("" when missing).  VIEW is 32 or 64.
registry_value() {  # KEY VALUE VIEW
    wine reg query "$1" /v "$2" "/reg:$3" 2>/dev/null | tr -d '\r' |
        sed -n "s/^ *$2 *REG_[A-Z_]* *//p" | head -1
}

UNINSTALL='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
INTEL_CODE='{6F1C2A3B-4D5E-4F60-8172-93A4B5C6D7E8}'
X64_CODE='{0D9E8F7A-6B5C-4D3E-9F21-0A1B2C3D4E5F}'

# The manifest id of the packed file whose bytes FILE holds ("" when none).
packed_id() {
    local sum
    sum=$(md5sum < "$1" 2>/dev/null | cut -d' ' -f1)
    [ -n "$sum" ] && sed -n "s/^\([0-9]*\) $sum\$/\1/p" "$LANE/install/md5sums.txt" | head -1
}

# Deletes the product's Uninstall entry from both registry views.
unregister() {  # CODE
    wine reg delete "$UNINSTALL\\$1" /f /reg:64 > /dev/null 2>&1
    wine reg delete "$UNINSTALL\\$1" /f /reg:32 > /dev/null 2>&1
    return 0
}

# Runs the setup program once per "LOCALE WANTED_ID" line on stdin with a
# stand-in installer returning 0, which leaves the extracted files, and checks
# which packed MSI (and CAB) became main.msi.
check_language_choice() {  # PRODUCT_CODE CAB_ID
    local setup kept locale want out
    setup=$(stage_setup)
    put_standin_installer
    kept="$WINEPREFIX/drive_c/windows/Installer/$1"
    while read -r locale want; do
        rm -rf "$kept"
        out=$(LANG=$locale LC_ALL=$locale robot spawn "$setup /qn" exit 120000 < /dev/null)
        expect_line "[$locale] exit code" "exit=0" "$out"
        expect_eq "[$locale] package chosen" "$want" "$(packed_id "$kept/main.msi")"
        expect_eq "[$locale] its CAB" "$2" "$(packed_id "$kept/data1.cab")"
    done
}

# Keeps Wine's own msiexec.exe as C:\windows\real-msiexec.exe before the
# stand-in replaces it, so the stand-in can forward to the real installer.
keep_real_installer() {
    cp "$(system_folder_32)/msiexec.exe" "$WINEPREFIX/drive_c/windows/real-msiexec.exe"
}

# The files of FOLDER, on one line ("" when it is missing).
folder_listing() {
    ls "$1" 2>/dev/null | tr '\n' ' ' | sed 's/ $//'
}

# A silent install of setup.exe with the real Windows Installer: exit code 0,
# the product's files and its Uninstall entry in registry view VIEW, the
# extracted package kept.  Then the installed check: a second run whose
# (stand-in) installer fails keeps the package of the installed product, and
# a third removes it once the product is unregistered.
check_silent_install() {  # PRODUCT_CODE DISPLAY_NAME VIEW DATA_BYTES [ABSENT_FROM_VIEW]
    local setup out installed kept
    setup=$(stage_setup)
    out=$(robot spawn "$setup /qn" exit 600000)
    echo "$out"
    expect_line "exit code" "exit=0" "$out"
    installed="$WINEPREFIX/drive_c/Program Files/msilaunch Example"
    expect_eq "readme installed" yes "$([ -f "$installed/readme.txt" ] && echo yes)"
    expect_eq "data installed" "$4" "$(stat -c %s "$installed/data.bin" 2>/dev/null)"
    expect_eq "registered in the $3-bit view" "$2" "$(registry_value "$UNINSTALL\\$1" DisplayName "$3")"
    if [ $# -ge 5 ]; then
        expect_eq "not in the $5-bit view" "" "$(registry_value "$UNINSTALL\\$1" DisplayName "$5")"
    fi
    kept="$WINEPREFIX/drive_c/windows/Installer/$1"
    expect_eq "extracted package kept" "data1.cab main.msi" "$(folder_listing "$kept")"

    put_standin_installer
    out=$(MSILAUNCH_STANDIN_EXIT=1603 robot spawn "$setup /qn" exit 120000)
    expect_line "failed run: its exit code" "exit=1603" "$out"
    expect_eq "installed product: package kept" "data1.cab main.msi" "$(folder_listing "$kept")"
    unregister "$1"
    out=$(MSILAUNCH_STANDIN_EXIT=1603 robot spawn "$setup /qn" exit 120000)
    expect_eq "product gone: package removed" gone "$([ -e "$kept" ] && echo there || echo gone)"
}
