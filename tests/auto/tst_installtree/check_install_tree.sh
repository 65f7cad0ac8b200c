#!/usr/bin/env bash
# check_install_tree.sh <build dir> <probe program>
# Installs the build into a scratch root, starts the installed Larkspur and Pellow for a
# few seconds as a user with an empty home, runs the probe from the installed bin/, checks
# that nothing was written under the installed tree, validates the desktop entries and
# checks the Debian package made by cpack.
set -euo pipefail
build=$1
probe=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
bin=$root/usr/bin
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

expected=(
    usr/bin/larkspur
    usr/bin/pellow
    usr/share/larkspur/language/CN.qm
    usr/share/larkspur/language/CNF.qm
    usr/share/larkspur/language/EN.qm
    usr/share/larkspur/language/config.ini
    usr/share/larkspur/config/company.txt
    usr/share/larkspur/help/Chinese/Larkspur_UserGuide_CN.pdf
    usr/share/larkspur/help/English/Larkspur_UserGuide_EN.pdf
    usr/share/larkspur/firmware/
    usr/share/applications/larkspur.desktop
    usr/share/applications/pellow.desktop
    usr/share/icons/hicolor/64x64/apps/larkspur.png
    usr/share/icons/hicolor/64x64/apps/pellow.png
    usr/share/man/man1/larkspur.1.gz
    usr/share/man/man1/pellow.1.gz
    usr/share/doc/larkspur/copyright
)
if [ -f "$build/bin/larkspur-log" ]; then
    expected+=(usr/bin/larkspur-log usr/share/man/man1/larkspur-log.1.gz)
fi

DESTDIR=$root cmake --install "$build" --prefix /usr >"$work/install.log" ||
    { cat "$work/install.log"; fail "cmake --install failed"; }
for f in "${expected[@]}"; do
    [ -e "$root/$f" ] || fail "not installed: /$f"
done
echo "installed ${#expected[@]} expected files and folders"

# A user with an empty home, no data folder of their own and no LARKSPUR_HOME.
as_user() { # <home> <program> [args...]
    local home=$1
    shift
    env -u LARKSPUR_HOME -u XDG_DATA_HOME -u XDG_CONFIG_HOME -u XDG_RUNTIME_DIR \
        HOME="$home" QT_QPA_PLATFORM=offscreen LARKSPUR_SIM_TRAFFIC=1 "$@"
}
listing() { (cd "$root" && find . -printf '%p %s %T@\n' | sort); }
before=$(listing)
home=$work/home
mkdir -p "$home"
for program in larkspur pellow; do
    status=0
    as_user "$home" timeout 3 "$bin/$program" >"$work/$program.log" 2>&1 || status=$?
    if [ "$status" != 124 ]; then
        cat "$work/$program.log"
        fail "installed $program ended with status $status within 3 s"
    fi
done
echo "installed larkspur and pellow ran for 3 s each"
for f in larkspur/config/adapter.ini larkspur/firmware pellow/config/pellow.ini; do
    [ -e "$home/.local/share/$f" ] || fail "first start did not make ~/.local/share/$f"
done
after=$(listing)
[ "$before" = "$after" ] ||
    fail "the programs wrote under the installed tree: $(diff <(echo "$before") <(echo "$after"))"
echo "first start made the user's data folders, nothing changed under the installed tree"
if [ -x "$bin/larkspur-log" ]; then
    as_user "$home" "$bin/larkspur-log" --help >/dev/null || fail "larkspur-log --help failed"
fi

cp "$probe" "$bin/"
mkdir -p "$work/probe-home"
as_user "$work/probe-home" "$bin/$(basename "$probe")" || fail "installed-tree probe failed"

if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$root"/usr/share/applications/*.desktop || fail "desktop entries"
    echo "desktop entries valid"
fi

cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" ||
    { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(ls "$work"/package/larkspur_*_amd64.deb)
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./||' >"$work/contents"
for f in "${expected[@]}"; do
    grep -qxF "$f" "$work/contents" || fail "$(basename "$deb") lacks /$f"
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt5core5a libqt5gui5 libqt5widgets5 libqt5serialbus5; do
    grep -q "$lib" <<<"$depends" || fail "package does not depend on $lib: $depends"
done
echo "$(basename "$deb") holds the installed files and depends on $depends"
