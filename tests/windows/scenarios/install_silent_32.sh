# prefix: p32
# On 32-bit Windows the same setup program installs the Intel package with the
# real Windows Installer: exit code 0, the files under Program Files, the
# Uninstall entry in the (only) 32-bit registry view, the package kept; the
# launcher's installed check reads that view.
. "$LANE/lib.sh"
check_silent_install "$INTEL_CODE" "msilaunch Example Intel en" 32 1500000
finish
