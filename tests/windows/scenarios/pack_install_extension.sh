# A setup program built by msilaunch-pack from real MSIs (x64 and Intel, US
# English and German) on the signed launcher, payload in an extension of an
# extra certificate of its signature (read through crypt32), installs the x64
# US English package silently on 64-bit Windows with the real Windows Installer
# (check_pack_install in tests/windows/pack_scenarios.sh).
. "$LANE/lib.sh"
. "$LANE/pack/lib.sh" 2> /dev/null || { echo "skipped: no package builder fixtures"; exit 0; }
require_pack_fixtures
check_pack_install extension
finish
