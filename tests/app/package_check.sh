#!/bin/bash
# The Debian package: cpack builds it from the build tree into a folder of its own, dpkg -x
# unpacks it into a temporary root, and the unpacked programs run a whole sweep on the unpacked
# simulator, with an empty user configuration, so neither the build tree's modules nor the
# user's registry can stand in for what the package holds.
#
#   package_check.sh CPACK BUILD_DIR OUTDIR VERSION
set -u

if [ $# -ne 4 ]; then
    echo "usage: $0 CPACK BUILD_DIR OUTDIR VERSION" >&2
    exit 2
fi
cpack=$1
build=$2
outdir=$3
version=$4

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

rm -rf "$outdir" && mkdir -p "$outdir/config" "$outdir/state" "$outdir/home" || exit 1
outdir=$(cd "$outdir" && pwd) || exit 1

(cd "$outdir" && "$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$outdir/out") >"$outdir/cpack.log" 2>&1 ||
    { cat "$outdir/cpack.log" >&2; fail "cpack could not build the package"; }
deb=$(find "$outdir/out" -maxdepth 1 -name '*.deb' | head -n 1)
[ -n "$deb" ] || fail "cpack made no .deb"

# What apt and dpkg read from the package.
[ "$(dpkg-deb -f "$deb" Package)" = kvr-tarvos ] || fail "package name: $(dpkg-deb -f "$deb" Package)"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version $(dpkg-deb -f "$deb" Version), not $version"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libc6 libqt6core6 libqt6widgets6 fonts-liberation qt6-qpa-plugins; do
    case ", $depends," in
        *", $needed"[\ ,]*) ;;
        *) fail "Depends lacks $needed: $depends" ;;
    esac
done

root=$outdir/root
dpkg -x "$deb" "$root" || fail "dpkg -x"
for file in usr/bin/kvr-tarvos usr/bin/tarvos usr/bin/kvr-regsvr usr/bin/automation-registry.ini \
    usr/share/applications/kvr-tarvos.desktop usr/share/mime/packages/kvr-tarvos.xml \
    usr/share/icons/hicolor/scalable/apps/kvr-tarvos.svg usr/share/doc/kvr-tarvos/manual/index.html \
    usr/share/doc/kvr-tarvos/manual/troubleshooting.html; do
    [ -f "$root/$file" ] || fail "the package holds no $file"
done
for module in libkvrlib.so libkvrdrvsim.so libtarvos_runtime.so; do
    [ -n "$(find "$root/usr" -name "$module" -type f)" ] || fail "the package holds no $module"
done

# The registry names the modules relative to itself, so it finds them in the unpacked tree.
registry=$root/usr/bin/automation-registry.ini
modules=$(sed -n 's/^Module=//p' "$registry" | sort -u)
[ -n "$modules" ] || fail "the packaged registry names no module"
for module in $modules; do
    case $module in
        /*) fail "the packaged registry names $module, an absolute path" ;;
    esac
    [ -f "$root/usr/bin/$module" ] || fail "the packaged registry names $module, which the package lacks"
done

# The unpacked programs run on the unpacked runtime library.
runtime=$(env -u LD_LIBRARY_PATH ldd "$root/usr/bin/tarvos" | awk '/libtarvos_runtime/ {print $3}')
case $(realpath "$runtime" 2>/dev/null) in
    "$(realpath "$root")"/*) ;;
    *) fail "the unpacked tarvos loads libtarvos_runtime from '$runtime'" ;;
esac

run() {
    (cd "$outdir" && env -u KVR_SIM_CONFIG -u LD_LIBRARY_PATH XDG_CONFIG_HOME="$outdir/config" \
        XDG_STATE_HOME="$outdir/state" HOME="$outdir/home" "$@")
}

output=$(run "$root/usr/bin/tarvos" --settings "$outdir/sweep.ini" sweep --time-scale 0 2>"$outdir/sweep.err") ||
    { cat "$outdir/sweep.err" >&2; fail "the unpacked tarvos sweep failed: $output"; }
echo "$output" | grep -Eq '^END: -?[0-9]+(\.[0-9]*)? dB$' || fail "the unpacked sweep printed no END: $output"
# KvrLib keeps its log folder beside itself: the library that ran is the unpacked one.
logs=$(find "$root/usr" -type d -name Logs)
[ -n "$logs" ] || fail "the unpacked KvrLib did not run (no Logs folder beside it)"

help=$(run env QT_QPA_PLATFORM=offscreen "$root/usr/bin/kvr-tarvos" --help 2>&1) ||
    fail "the unpacked kvr-tarvos --help: $help"

echo "PASS: $(basename "$deb") unpacked in $root: $(echo "$output" | tr '\n' ' ')"
