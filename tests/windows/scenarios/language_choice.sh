# The package chosen for the user's language on 64-bit Windows (a 64-bit Wine
# prefix; the 32-bit launcher runs under WOW64): x64 lines only, the exact
# language first, then its low byte, then US English.
. "$LANE/lib.sh"
check_language_choice "$X64_CODE" 1005 <<'CASES'
en_US.UTF-8 1003
de_DE.UTF-8 1004
de_AT.UTF-8 1004
de_CH.UTF-8 1004
ru_RU.UTF-8 1003
CASES
finish
