# A setup program carrying the example product for both architectures and two
# languages installs the x64 package on 64-bit Windows with the real Windows
# Installer, silently: exit code 0, the product's files and its Uninstall entry
# in the 64-bit registry view, and the extracted package kept.
. "$LANE/lib.sh"
setup=$(stage_setup)
out=$(robot spawn "$setup /qn" exit 600000)
echo "$out"
expect_line "exit code" "exit=0" "$out"
installed="$WINEPREFIX/drive_c/Program Files/msilaunch Example"
expect_eq "readme installed" yes "$([ -f "$installed/readme.txt" ] && echo yes)"
expect_eq "data installed" 1600000 "$(stat -c %s "$installed/data.bin" 2>/dev/null)"
expect_eq "registered in the 64-bit view" "msilaunch Example x64 en" \
    "$(registry_value "$UNINSTALL\\$X64_CODE" DisplayName 64)"
expect_eq "not in the 32-bit view" "" "$(registry_value "$UNINSTALL\\$X64_CODE" DisplayName 32)"
kept="$WINEPREFIX/drive_c/windows/Installer/$X64_CODE"
expect_eq "extracted package kept" "data1.cab main.msi" "$(ls "$kept" 2>/dev/null | tr '\n' ' ' | sed 's/ $//')"

# The launcher's installed check reads the view the real installer wrote: a
# second run whose (stand-in) installer fails keeps the package of the
# installed product, and removes it once the product is gone.
put_standin_installer
export MSILAUNCH_STANDIN_EXIT=1603
out=$(robot spawn "$setup /qn" exit 120000)
expect_line "failed run: its exit code" "exit=1603" "$out"
expect_eq "installed product: package kept" "data1.cab main.msi" "$(ls "$kept" 2>/dev/null | tr '\n' ' ' | sed 's/ $//')"
unregister "$X64_CODE"
out=$(robot spawn "$setup /qn" exit 120000)
expect_eq "product gone: package removed" gone "$([ -e "$kept" ] && echo there || echo gone)"
finish
