# Extracted files cannot be swapped before Windows Installer has read them:
# a stand-in installer tries to overwrite, delete and rename main.msi and the
# CAB while the launcher waits for it, and every attempt is refused; then it
# forwards to the real installer, which installs from the launcher's own
# bytes.  After a failed install the clean-up still removes everything.
. "$LANE/lib.sh"
setup=$(stage_setup)
keep_real_installer
put_standin_installer
export MSILAUNCH_STANDIN_LOG='C:\standin.log' MSILAUNCH_STANDIN_TAMPER=1
log="$WINEPREFIX/drive_c/standin.log"
kept="$WINEPREFIX/drive_c/windows/Installer/$X64_CODE"
folder="C:\\windows\\Installer\\$X64_CODE"

export MSILAUNCH_STANDIN_FORWARD='C:\windows\real-msiexec.exe'
out=$(robot spawn "$setup /qn" exit 600000)
expect_line "installed from the launcher's bytes" "exit=0" "$out"
for file in main.msi data1.cab; do
    for action in overwrite delete rename; do
        expect_line "$action $file refused" "tamper: $action $folder\\$file: refused" "$(tr -d '\r' < "$log")"
    done
done
expect_eq "registered" "msilaunch Example x64 en" "$(registry_value "$UNINSTALL\\$X64_CODE" DisplayName 64)"
expect_eq "the kept package is the launcher's" "1003 1005" "$(packed_id "$kept/main.msi") $(packed_id "$kept/data1.cab")"

# A failed install: the clean-up lets go of the files and removes them.
wine msiexec /x "$X64_CODE" /qn > /dev/null 2>&1
unregister "$X64_CODE"
rm -rf "$kept" "$log"
unset MSILAUNCH_STANDIN_FORWARD
export MSILAUNCH_STANDIN_EXIT=1603
out=$(robot spawn "$setup /qn" exit 600000)
expect_line "failed install: its exit code" "exit=1603" "$out"
expect_eq "tampering refused again" 6 "$(grep -c ': refused$' "$log")"
expect_eq "everything removed" gone "$([ -e "$kept" ] && echo there || echo gone)"
finish
