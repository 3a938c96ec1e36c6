#!/usr/bin/env bash
# The built package: its control fields, every expected file in dpkg-deb --contents, and the
# unpacked programs running: --version of all three, without a display, and the desktop
# program up to its shown window offscreen (its start-up probe), as its desktop entry starts it.
#   check_package.sh OUT_DIR EXPECTED_LIST VERSION
set -uo pipefail
out=$1
expected_list=$2
version=$3
debs=("$out"/karvelm_*.deb)
deb=${debs[0]}
[[ -f $deb ]] || { echo "no package in $out (package_build failed?)" >&2; exit 1; }
faults=0
fault() { echo "$(basename "$deb"): $*" >&2; faults=$((faults + 1)); }

field() { dpkg-deb --field "$deb" "$1"; }
[[ $(field Package) == karvelm ]] || fault "Package is '$(field Package)'"
[[ $(field Version) == "$version" ]] || fault "Version is '$(field Version)', not $version"
depends=$(field Depends)
for lib in libc6 libstdc++6 libqt6widgets6 libhidapi-hidraw0 libudev1; do
  [[ $depends == *"$lib"* ]] || fault "Depends lacks $lib (computed: $depends)"
done
[[ $(field Description) == *KarvelM* ]] || fault "Description does not say what it is"
dpkg-deb --info "$deb" postinst >/dev/null 2>&1 || fault "no postinst"

contents=$(dpkg-deb --contents "$deb" | awk '{print $6}' | sed 's|^\./||')
while IFS= read -r path; do
  [[ -z $path || $path == \#* ]] && continue
  grep -qxF -- "$path" <<<"$contents" || fault "lacks $path"
done <"$expected_list"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
for program in KarvelMcfg karvelm karvelm-sim; do
  # No display: the desktop program must answer before it would need one.
  got=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$root/usr/bin/$program" --version 2>&1)
  [[ $got == "$program $version" ]] || fault "$program --version printed '$got'"
done

# The desktop entry's command, from the unpacked tree, to its window (offscreen, fresh home).
exec_line=$(sed -n 's/^Exec=//p' "$root"/usr/share/applications/*.desktop)
mkdir -p "$root/home"
probe=$(cd "$root" && HOME="$root/home" XDG_CONFIG_HOME="$root/home/.config" \
  QT_QPA_PLATFORM=offscreen KARVELM_STARTUP_PROBE=1 timeout 30 "$root/usr/bin/$exec_line" 2>/dev/null)
[[ $probe == "window shown after ms "* ]] || fault "'$exec_line' from the package showed no window: '$probe'"

((faults == 0)) || exit 1
echo "$(basename "$deb"): fields, $(grep -cv '^#' "$expected_list") files, programs run; $probe"
