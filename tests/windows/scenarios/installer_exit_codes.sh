# The whole launcher with a stand-in Windows Installer: its exit code becomes
# the launcher's, with no box (a box would keep the launcher from exiting);
# the extracted files stay when it returned 0 or the product is registered,
# and go otherwise.  The stand-in also shows the command line it was given.
. "$LANE/lib.sh"
setup=$(stage_setup)
put_standin_installer
export MSILAUNCH_STANDIN_LOG='C:\standin.log'
log="$WINEPREFIX/drive_c/standin.log"
kept="$WINEPREFIX/drive_c/windows/Installer/$X64_CODE"

while read -r code register files; do
    rm -rf "$kept" "$log"
    unregister "$X64_CODE"
    export MSILAUNCH_STANDIN_EXIT=$code
    if [ "$register" = registered ]; then
        export MSILAUNCH_STANDIN_REGISTER=$X64_CODE MSILAUNCH_STANDIN_REGISTER_VIEW=64
    else
        unset MSILAUNCH_STANDIN_REGISTER MSILAUNCH_STANDIN_REGISTER_VIEW
    fi
    out=$(robot spawn "$setup /qb PROP=\"a b\"" exit 120000)
    expect_line "[$code $register] exit code, no box" "exit=$code" "$out"
    expect_eq "[$code $register] installer's command line" \
        "C:\\windows\\system32\\msiexec.exe /i C:\\windows\\Installer\\$X64_CODE\\main.msi /qb \"PROP=a b\"" \
        "$(tr -d '\r' < "$log" | head -1)"
    if [ "$files" = stay ]; then
        expect_eq "[$code $register] files stay" "data1.cab main.msi" "$(ls "$kept" 2>/dev/null | tr '\n' ' ' | sed 's/ $//')"
    else
        expect_eq "[$code $register] files and folder go" "gone" "$([ -e "$kept" ] && echo there || echo gone)"
    fi
done <<'CASES'
0 unregistered stay
1602 unregistered go
1603 unregistered go
3010 registered stay
1603 registered stay
CASES
finish
