# prefix: p32
# On 32-bit Windows the same setup program installs the Intel package with the
# real Windows Installer: exit code 0, the files under Program Files, the
# Uninstall entry in the (only) 32-bit registry view, the package kept.
. "$LANE/lib.sh"
setup=$(stage_setup)
out=$(robot spawn "$setup /qn" exit 600000)
echo "$out"
expect_line "exit code" "exit=0" "$out"
installed="$WINEPREFIX/drive_c/Program Files/msilaunch Example"
expect_eq "readme installed" yes "$([ -f "$installed/readme.txt" ] && echo yes)"
expect_eq "registered" "msilaunch Example Intel en" "$(registry_value "$UNINSTALL\\$INTEL_CODE" DisplayName 32)"
kept="$WINEPREFIX/drive_c/windows/Installer/$INTEL_CODE"
expect_eq "extracted package kept" "data1.cab main.msi" "$(ls "$kept" 2>/dev/null | tr '\n' ' ' | sed 's/ $//')"

# The launcher's installed check reads the view the real installer wrote: a
# second run whose (stand-in) installer fails keeps the package of the
# installed product, and removes it once the product is gone.
put_standin_installer
export MSILAUNCH_STANDIN_EXIT=1603
out=$(robot spawn "$setup /qn" exit 120000)
expect_line "failed run: its exit code" "exit=1603" "$out"
expect_eq "installed product: package kept" "data1.cab main.msi" "$(ls "$kept" 2>/dev/null | tr '\n' ' ' | sed 's/ $//')"
unregister "$INTEL_CODE"
out=$(robot spawn "$setup /qn" exit 120000)
expect_eq "product gone: package removed" gone "$([ -e "$kept" ] && echo there || echo gone)"
finish
