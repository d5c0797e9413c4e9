# The full user-interface path, no quiet switch: the progress window shows the
# product's name while a 40 MB cabinet is extracted, Escape and Alt+F4 do not
# close it, it closes by itself, and the real Windows Installer then installs
# the product; the launcher exits with 0.
. "$LANE/lib.sh"
setup=$(stage_setup setup-large.exe)
caption='msilaunch Example x64 en'
out=$(robot spawn "$setup" window MSI_STUB_WINDOW_CLASS_NAME "$caption" 120000 \
    childtext msctls_progress32 key escape sleep 300 key alt+f4 sleep 300 \
    window MSI_STUB_WINDOW_CLASS_NAME "$caption" 1000 gone 300000 exit 600000)
echo "$out"
expect_line "progress window with the product's name" "window class=MSI_STUB_WINDOW_CLASS_NAME caption=$caption" "$out"
expect_line "its bar" "childtext=" "$out"
expect_eq "still open after Escape and Alt+F4" 2 "$(grep -c "^window class=MSI_STUB_WINDOW_CLASS_NAME" <<< "$out")"
expect_line "exit code" "exit=0" "$out"
installed="$WINEPREFIX/drive_c/Program Files/msilaunch Example"
expect_eq "installed" 40000000 "$(stat -c %s "$installed/data.bin" 2>/dev/null)"
expect_eq "registered" "$caption" "$(registry_value "$UNINSTALL\\$X64_CODE" DisplayName 64)"
finish
