# On 64-bit Windows, the package that the msilaunch-pack setup program with
# its payload in a certificate extension (read through crypt32) extracts for
# en-US, de-AT and ru-RU is the x64 MSI line that `msilaunch-pack inspect
# --arch x64` chose for 1033, 3079 and 1049 at build time.  (The choice comes
# after the payload is read, so one placement stands for all three; the
# pack_install_* scenarios extract and install from each.)
. "$LANE/lib.sh"
. "$LANE/pack/lib.sh" 2> /dev/null || { echo "skipped: no package builder fixtures"; exit 0; }
require_pack_fixtures
check_pack_choices extension x64 "$X64_CODE"
finish
