# The benchmark lane's measurements (make bench runs it on large packages;
# the ordinary lane on the 1 MiB fixture, once, so that it keeps working).
# For each package of $LANE/bench/sizes, with its files on the guest's disk:
#   - the MSI and cabinet written by the extraction pump against one plain
#     WriteFile loop, in turns, best of five (figure pump-ratio-SIZE);
#   - a plain copy of the same files, and SHA-256 of their bytes (the check
#     each decoded item gets, with the launcher's libcrypto);
#   - the launcher run silently with the stand-in installer: the time from its
#     process start to the installer's, and its peak commit against the image
#     plus the decoded items, over the commit of a launcher that stops at once
#     (figure peak-excess-bytes-SIZE, the limit half the cabinet plus 2 MiB).
# For each package of $LANE/bench/zero-sizes (a cabinet of zeros): whether the
# launcher gets it to the installer; one that memory cannot hold must end with
# the unusable-package box and status 13, and leave nothing behind.
# Prints "figure NAME VALUE" lines for the benchmark.
. "$LANE/lib.sh"
fixtures=$LANE/bench
runs=${BENCH_RUNS:-5}
put_standin_installer
started="$WINEPREFIX/drive_c/started.txt"
export MSILAUNCH_STANDIN_STARTED='C:\started.txt'
export MSILAUNCH_STANDIN_LOG='C:\standin.log'
folder="$WINEPREFIX/drive_c/windows/Installer/$X64_CODE"
work="$WINEPREFIX/drive_c/bench"
mkdir -p "$work/in" "$work/out"

bench() {
    wine "$BIN/run-bench.exe" "$@" 2>&1 | tr -d '\r'
}
value() {  # NAME OUTPUT
    sed -n "s/^$1 //p" <<< "$2" | head -1
}

base=$(bench launch 'C:\started.txt' "\"$(windows_path "$BIN/msilaunch.exe")\" /qn")
echo "$base"
expect_line "without a payload the launcher stops at once" "exit 1168" "$base"
base_commit=$(value largest-commit-bytes "$base")
echo "figure base-commit-bytes $base_commit"

worst_pump= worst_excess=
for size in $(cat "$fixtures/sizes"); do
    rm -rf "$work/in"/* "$folder"
    cp "$fixtures/$size"/{product.msi,data1.cab,setup.exe} "$work/in/"
    sync
    files=('C:\bench\in\product.msi' 'C:\bench\in\data1.cab')
    pump=$(bench pump "$runs" 'C:\bench\out' "${files[@]}")
    echo "$pump"
    ratio=$(value 'figure pump-ratio' "$pump")
    expect_eq "[$size MiB] the pump measured" yes "$([ -n "$ratio" ] && echo yes)"
    copy=$(bench copy "$runs" 'C:\bench\out' "${files[@]}")
    echo "$copy"
    hash=$(bench hash 1 "${files[@]}")
    echo "$hash"

    run=$(bench launch 'C:\started.txt' '"C:\bench\in\setup.exe" /qn')
    echo "$run"
    expect_line "[$size MiB] the launcher ran the installer" "exit 0" "$run"
    expect_eq "[$size MiB] the cabinet was extracted whole" "$(md5sum < "$work/in/data1.cab")" \
        "$(md5sum < "$folder/data1.cab" 2>/dev/null)"
    image=$(stat -c %s "$work/in/setup.exe")
    msi=$(stat -c %s "$work/in/product.msi")
    cab=$(stat -c %s "$work/in/data1.cab")
    peak=$(value largest-commit-bytes "$run")
    reported=$(value peak-commit-bytes "$run")
    [ "${reported:-0}" -gt "${peak:-0}" ] && peak=$reported
    excess=$((peak - base_commit - image - msi - cab))
    limit=$((cab / 2 + 2097152))
    echo "figure pump-ratio-$size $ratio"
    echo "figure pump-ms-$size $(value pump-ms "$pump")"
    echo "figure plain-write-ms-$size $(value plain-ms "$pump")"
    echo "figure copy-ms-$size $(value copy-ms "$copy")"
    echo "figure sha256-ms-$size $(value hash-ms "$hash")"
    echo "figure start-to-installer-ms-$size $(value start-to-installer-ms "$run")"
    echo "figure peak-commit-bytes-$size $peak"
    echo "figure decoded-bytes-$size $((msi + cab))"
    echo "figure image-bytes-$size $image"
    echo "figure peak-excess-bytes-$size $excess"
    echo "figure peak-excess-limit-$size $limit"
    expect_eq "[$size MiB] peak commit within image + items + half the cabinet + 2 MiB" yes \
        "$([ "$excess" -le "$limit" ] && echo yes)"
    [ -z "$worst_pump" ] || awk "BEGIN { exit !($ratio < $worst_pump) }" && worst_pump=$ratio
    [ -z "$worst_excess" ] || [ "$excess" -gt "$worst_excess" ] && worst_excess=$excess
    rm -rf "$folder" "$work/in"/*
done
echo "figure pump-ratio $worst_pump"
echo "figure peak-excess-bytes $worst_excess"

# What the address space offers a 32-bit, large-address-aware process here.
space=$(bench memory)
echo "$space"
echo "figure largest-block-bytes $(value largest-block-bytes "$space")"
echo "figure heap-blocks-of-64MiB $(value blocks-of-64MiB "$space")"

largest=0
for size in $(cat "$fixtures/zero-sizes" 2>/dev/null); do
    rm -rf "$work/in"/* "$folder"
    cp "$fixtures/zeros-$size/setup.exe" "$work/in/setup.exe"
    run=$(bench launch 'C:\started.txt' '"C:\bench\in\setup.exe" /qn')
    echo "[$size MiB of zeros] $run"
    if grep -qx "exit 0" <<< "$run"; then
        largest=$size
        echo "figure zeros-start-to-installer-ms-$size $(value start-to-installer-ms "$run")"
        rm -rf "$folder"
        continue
    fi
    # Past what memory allows: the same run with its box.
    expect_line "[$size MiB of zeros] too large: status 13" "exit 13" "$run"
    expect_eq "[$size MiB of zeros] nothing left behind" gone "$([ -e "$folder" ] && echo there || echo gone)"
    out=$(robot spawn 'C:\bench\in\setup.exe' window '#32770' setup.exe 600000 press OK gone 10000 \
        exit 60000)
    echo "$out"
    expect_line "[$size MiB of zeros] the box is the package's" \
        "text=The installation file is either corrupted or does not support your processor architecture." "$out"
    expect_line "[$size MiB of zeros] exit code 13 with the box" "exit=13" "$out"
    expect_eq "[$size MiB of zeros] nothing left behind after the box" gone \
        "$([ -e "$folder" ] && echo there || echo gone)"
    echo "figure too-large-zeros-mib $size"
    break
done
echo "figure largest-zeros-mib $largest"
rm -rf "$work"
finish
