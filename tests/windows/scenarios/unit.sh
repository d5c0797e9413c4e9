# The Windows unit tests: the launcher's own functions against the real Win32
# implementation (message texts, process creation, the installer search).
. "$LANE/lib.sh"
put_standin_installer
export MSILAUNCH_TEST_STANDIN=$(windows_path "$BIN/msiexec.exe")
wine "$BIN/windows_unit_tests.exe" 2>&1 | tr -d '\r'
exit "${PIPESTATUS[0]}"
