# Long command lines: a 5,000-character argument reaches Windows Installer
# whole; a command line the installer could not be given (over 32,767
# characters) is refused before anything is extracted, with its own message.
. "$LANE/lib.sh"
setup=$(stage_setup)
put_standin_installer
export MSILAUNCH_STANDIN_LOG='C:\standin.log'
log="$WINEPREFIX/drive_c/standin.log"
kept="$WINEPREFIX/drive_c/windows/Installer/$X64_CODE"
long=$(head -c 5000 < /dev/zero | tr '\0' 'a')
out=$(robot spawn "$setup /qn $long" exit 120000)
expect_line "5,000 characters: exit code" "exit=0" "$out"
expect_eq "5,000 characters: forwarded whole" \
    "C:\\windows\\system32\\msiexec.exe /i C:\\windows\\Installer\\$X64_CODE\\main.msi /qn $long" \
    "$(tr -d '\r' < "$log" | head -1)"

rm -rf "$kept" "$log"
printf '%s /qb %s' "$setup" "$(head -c 32600 < /dev/zero | tr '\0' 'b')" > "$SCENARIO/long-line.txt"
out=$(robot spawnfile "$(windows_path "$SCENARIO/long-line.txt")" window '#32770' '*' 60000 press OK gone 10000 exit 60000)
echo "$out"
expect_line "too long: its message" \
    "text=The command line is too long: Windows Installer accepts at most 32,767 characters." "$out"
expect_line "too long: exit code" "exit=1639" "$out"
expect_eq "too long: nothing extracted" gone "$([ -e "$kept" ] && echo there || echo gone)"
expect_eq "too long: the installer never ran" gone "$([ -e "$log" ] && echo there || echo gone)"
finish
