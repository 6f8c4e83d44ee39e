#!/bin/bash
# The installation test: installs the build twice (into a prefix of its own, and staged under
# DESTDIR) and checks that the installed programs find their library and the installed modules,
# and that the registry names the modules relative to itself, staged or not.
#
#   install_check.sh CMAKE BUILD_DIR OUTDIR
set -u

if [ $# -ne 3 ]; then
    echo "usage: $0 CMAKE BUILD_DIR OUTDIR" >&2
    exit 2
fi
cmake=$1
build=$2
outdir=$3

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

rm -rf "$outdir" && mkdir -p "$outdir/config" || exit 1
outdir=$(cd "$outdir" && pwd) || exit 1
prefix=$outdir/prefix

"$cmake" --install "$build" --prefix "$prefix" >"$outdir/install.log" 2>&1 ||
    { cat "$outdir/install.log" >&2; fail "cmake --install into $prefix"; }

for file in bin/tarvos bin/kvr-regsvr bin/automation-registry.ini share/applications/kvr-tarvos.desktop \
    share/mime/packages/kvr-tarvos.xml share/icons/hicolor/scalable/apps/kvr-tarvos.svg; do
    [ -f "$prefix/$file" ] || fail "$file is not installed"
done

# Every program finds libtarvos_runtime in the installation, not in the build tree.
for program in "$prefix"/bin/*; do
    [ -f "$program" ] && [ -x "$program" ] || continue
    resolved=$(ldd "$program" | awk '/libtarvos_runtime/ {print $3}')
    [ -n "$resolved" ] || fail "${program##*/} does not load libtarvos_runtime"
    case $(realpath "$resolved") in
        "$prefix"/*) ;;
        *) fail "${program##*/} loads $resolved, outside the installation" ;;
    esac
done

# The registry names the modules relative to its own folder, so the installation can move.
registered() {  # registry file -> the module paths it names, resolved from its folder
    local folder=${1%/*} module
    for module in $(sed -n 's/^Module=//p' "$1" | sort -u); do
        case $module in
            /*) echo "$module" ;;
            *) realpath -m "$folder/$module" ;;
        esac
    done
}
absolute=$(sed -n 's/^Module=//p' "$prefix/bin/automation-registry.ini" | grep '^/')
[ -z "$absolute" ] || fail "the installed registry names absolute paths: $absolute"
modules=$(registered "$prefix/bin/automation-registry.ini")
[ -n "$modules" ] || fail "the installed registry names no module"
for module in $modules; do
    case $module in
        "$(realpath "$prefix")"/*) [ -f "$module" ] || fail "the registry names $module, which is missing" ;;
        *) fail "the registry names $module, outside the installation" ;;
    esac
done

# A KVRPort object of the installed library on the installed simulator, as a user would call it.
output=$(cd "$outdir" && env -u KVR_SIM_CONFIG XDG_CONFIG_HOME="$outdir/config" \
    "$prefix/bin/tarvos" port --time-scale 0 "SelectDriver(2)" OnLine=true Identity 2>&1) ||
    fail "installed tarvos port: $output"
case $output in
    *'Identity = "KVR,'*) ;;
    *) fail "installed tarvos port answered: $output" ;;
esac

# Staged for a package: the files go below DESTDIR, and the registry still finds them there.
"$cmake" -E env DESTDIR="$outdir/stage" "$cmake" --install "$build" --prefix /opt/kvr-tarvos \
    >"$outdir/stage.log" 2>&1 || { cat "$outdir/stage.log" >&2; fail "cmake --install under DESTDIR"; }
staged=$outdir/stage/opt/kvr-tarvos/bin/automation-registry.ini
[ -f "$staged" ] || fail "no registry below DESTDIR"
for module in $(registered "$staged"); do
    case $module in
        "$(realpath "$outdir/stage")"/opt/kvr-tarvos/lib*/*) [ -f "$module" ] || fail "$module is not staged" ;;
        *) fail "the staged registry names $module" ;;
    esac
done

echo "PASS: installed and staged under $outdir"
