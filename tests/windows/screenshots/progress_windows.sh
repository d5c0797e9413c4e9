# Screenshots of the progress window (scripts/screenshots runs this in the
# guest, not the lane): the window during a large extraction, and the
# Retry/Cancel question after a write failed on a full drive.  Writes
# $OUT/progress-window.xwd and $OUT/retry-question.xwd (whole screen).
. "$LANE/lib.sh"
class=MSI_STUB_WINDOW_CLASS_NAME
name='Example Product'

# There is no window manager on the guest's screen: Wine draws the captions
# and frames itself.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f > /dev/null 2>&1

# 1. A 300 MiB file: the window is seen about a third of the way.
wine "$BIN/dialog_driver.exe" --folder 'C:\shots' --caption "$name" 314572800 > "$SCENARIO/driver.out" 2>&1 &
driver=$!
robot window "$class" "$name" 120000 sleep "${SHOT_DELAY_MS:-4000}"
xwd -root -silent -display "$DISPLAY" > "$OUT/progress-window.xwd" || exit 1
wait "$driver"
tr -d '\r' < "$SCENARIO/driver.out"

# 2. A full drive (2 MiB tmpfs as T:): the question over its dialog.
tiny=$SCENARIO/tiny
mkdir -p "$tiny"
mount -t tmpfs -o size=2m tmpfs "$tiny" || exit 1
ln -s "$tiny" "$WINEPREFIX/dosdevices/t:"
head -c $((1300 * 1024)) /dev/zero > "$tiny/filler"
wine "$BIN/dialog_driver.exe" --folder 'T:\Example Product' --caption "$name" 1048576 > "$SCENARIO/driver.out" 2>&1 &
driver=$!
robot window '#32770' "$name" 120000 sleep 1000
xwd -root -silent -display "$DISPLAY" > "$OUT/retry-question.xwd" || exit 1
robot window '#32770' "$name" 2000 press Cancel gone 10000
wait "$driver"
tr -d '\r' < "$SCENARIO/driver.out"
umount "$tiny"
ls -l "$OUT"/*.xwd
