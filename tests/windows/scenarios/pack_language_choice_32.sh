# prefix: p32
# On 32-bit Windows, the package that the msilaunch-pack setup program with
# its payload in a certificate extension (read through crypt32) extracts for
# en-US, de-AT and ru-RU is the Intel MSI line that `msilaunch-pack inspect
# --arch Intel` chose for 1033, 3079 and 1049 at build time.
. "$LANE/lib.sh"
. "$LANE/pack/lib.sh" 2> /dev/null || { echo "skipped: no package builder fixtures"; exit 0; }
require_pack_fixtures
check_pack_choices extension Intel "$INTEL_CODE"
finish
