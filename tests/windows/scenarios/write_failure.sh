# A write that fails during extraction: the output files go to a small drive
# (a 4 MB memory file system as drive S:, picked in the folder browser after
# the Windows Installer folder failed), which fills up in the 40 MB cabinet.
# The Retry/Cancel question names the file; Retry after space was freed
# completes that same file with no byte written twice; Cancel ends with 29,
# no box, and nothing left behind.
. "$LANE/lib.sh"
setup=$(stage_setup setup-large.exe)
put_standin_installer
caption='msilaunch Example x64 en'
blocker="$WINEPREFIX/drive_c/windows/Installer/$X64_CODE"
mkdir -p "$(dirname "$blocker")"
echo "not a folder" > "$blocker"
small=/tmp/small-drive
mkdir -p "$small"
mount -t tmpfs -o size=4m tmpfs "$small"
ln -sfn "$small" "$WINEPREFIX/dosdevices/s:"
for key in 'User Shell Folders' 'Shell Folders'; do
    wine reg add "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\$key" /v Personal /d 'S:\' /f > /dev/null 2>&1
done

# Answers the question with ANSWER once it is shown; with Retry, frees space first.
run_until_question() {  # ANSWER
    local log=$SCENARIO/robot.out
    rm -f "$log"
    (
        for i in $(seq 1500); do grep -q '^text=Write fault' "$log" 2> /dev/null && break; sleep 0.2; done
        [ "$1" = Retry ] && mount -o remount,size=200m "$small"
    ) &
    robot spawn "$setup /qn" window '#32770' 'Browse for Folder' 120000 press OK gone 10000 \
        window '#32770' "$caption" 300000 sleep 2000 press "$1" \
        gone 10000 exit 600000 > "$log"
    wait
    cat "$log"
}

out=$(run_until_question Retry)
echo "$out"
expect_line "the question names the file" "text=Write fault (S:\\$X64_CODE\\data1.cab)." "$out"
expect_line "it asks Retry or Cancel" "button=&Retry" "$out"
expect_line "retry: the run completes" "exit=0" "$out"
expect_eq "the cabinet is whole, nothing written twice" 2001 "$(packed_id "$small/$X64_CODE/data1.cab")"
expect_eq "main.msi beside it" 2000 "$(packed_id "$small/$X64_CODE/main.msi")"

rm -rf "${small:?}/$X64_CODE"
mount -o remount,size=4m "$small"
out=$(run_until_question Cancel)
echo "$out"
expect_line "cancel: exit code 29 and no box" "exit=29" "$out"
expect_eq "nothing left behind" "" "$(ls -A "$small")"
umount "$small"
finish
