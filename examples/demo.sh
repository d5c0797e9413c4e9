# The demo run in the guest: the launcher as a user would start it from their
# downloads, answered by the UI robot.  Prints what the user would see and the
# exit code the caller gets.
. "$LANE/lib.sh"
downloads="$WINEPREFIX/drive_c/users/Public/Downloads"
mkdir -p "$downloads"
cp "$BIN/msilaunch.exe" "$downloads/setup.exe"
echo "== C:\\users\\Public\\Downloads\\setup.exe (no payload packed in yet)"
robot spawn 'C:\users\Public\Downloads\setup.exe' window '#32770' '*' 60000 press OK gone 10000 exit 30000
echo "== the same with /quiet"
robot spawn 'C:\users\Public\Downloads\setup.exe /quiet' nowindow 3000 exit 30000
