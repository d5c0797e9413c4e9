# prefix: p32
# The package chosen for the user's language on 32-bit Windows (a 32-bit Wine
# prefix): Intel lines only, the exact language first (3079 is listed), then
# its low byte (2055 and 1031 share 0x07), then US English.
. "$LANE/lib.sh"
check_language_choice "$INTEL_CODE" 1002 <<'CASES'
en_US.UTF-8 1000
de_DE.UTF-8 1001
de_AT.UTF-8 1001
de_CH.UTF-8 1001
ru_RU.UTF-8 1000
CASES
finish
