# The demo run in the guest: the example setup program, made by msilaunch-pack
# from the example product's MSIs, installed silently on 64-bit Windows with
# Wine's real Windows Installer.  Prints the exit code the caller gets, the
# installed files and the product's Uninstall entry.
. "$LANE/lib.sh"
downloads="$WINEPREFIX/drive_c/users/Public/Downloads"
mkdir -p "$downloads"
cp "$LANE/demo/setup.exe" "$downloads/setup.exe"
echo "== C:\\users\\Public\\Downloads\\setup.exe /qn"
out=$(robot spawn 'C:\users\Public\Downloads\setup.exe /qn' exit 600000)
echo "$out"
echo "== installed files (C:\\Program Files\\msilaunch Example)"
ls -l "$WINEPREFIX/drive_c/Program Files/msilaunch Example"
echo "== its Uninstall entry (64-bit registry view)"
wine reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{0D9E8F7A-6B5C-4D3E-9F21-0A1B2C3D4E5F}" /reg:64 2>/dev/null | tr -d '\r'
echo "== the package the launcher extracted and kept"
ls -l "$WINEPREFIX/drive_c/windows/Installer/{0D9E8F7A-6B5C-4D3E-9F21-0A1B2C3D4E5F}"
grep -qx 'exit=0' <<< "$out"
