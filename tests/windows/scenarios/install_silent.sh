# A setup program carrying the example product for both architectures and two
# languages installs the x64 package on 64-bit Windows with the real Windows
# Installer, silently: exit code 0, the product's files and its Uninstall entry
# in the 64-bit registry view (and not the 32-bit one), the package kept; the
# launcher's installed check reads the view the installer wrote.
. "$LANE/lib.sh"
check_silent_install "$X64_CODE" "msilaunch Example x64 en" 64 1600000 32
finish
