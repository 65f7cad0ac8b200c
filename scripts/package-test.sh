#!/usr/bin/env bash
# package-test.sh [build dir]
# Builds the Debian package from a normal build, installs it on this machine with apt-get,
# starts Larkspur (by its desktop entry's Exec line) and Pellow offscreen as a new
# non-root user for a few seconds, runs larkspur-log --help, checks that the first start
# made that user's data folders and wrote nothing under the installed tree, then removes
# the package and the user again. Needs root (or sudo) for apt-get and useradd.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi
fail() {
    echo "package test FAILED: $*" >&2
    exit 1
}

if dpkg-query -W -f='${Status}' larkspur 2>/dev/null | grep -q "install ok installed"; then
    fail "a larkspur package is already installed here; remove it first (apt-get purge larkspur)"
fi
cmake --build "$build" >/dev/null
rm -f "$build"/larkspur_*_amd64.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$PWD/$build"/larkspur_*_amd64.deb)
echo "built $(basename "$deb")"

user=larkspur-ci-$$
cleanup() {
    $SUDO apt-get purge -y -qq larkspur >/dev/null 2>&1 || true
    $SUDO userdel -r "$user" >/dev/null 2>&1 || true
}
trap cleanup EXIT
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get install -y -qq --no-install-recommends "$deb" >/dev/null ||
    fail "apt-get install $(basename "$deb")"
$SUDO useradd --create-home --shell /bin/bash "$user"
home=$(getent passwd "$user" | cut -d: -f6)
as_user() {
    $SUDO runuser -u "$user" -- env -i HOME="$home" USER="$user" PATH=/usr/local/bin:/usr/bin:/bin \
        LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen "$@"
}
exec_line=$(sed -n 's/^Exec=//p' /usr/share/applications/larkspur.desktop)
[ -n "$exec_line" ] || fail "larkspur.desktop has no Exec line"
pellow_exec=$(sed -n 's/^Exec=//p' /usr/share/applications/pellow.desktop)
for command in "$exec_line" "$pellow_exec"; do
    status=0
    # shellcheck disable=SC2086
    as_user timeout 4 $command >/tmp/"$user".log 2>&1 || status=$?
    if [ "$status" != 124 ]; then
        cat /tmp/"$user".log
        fail "'$command' as $user ended with status $status within 4 s"
    fi
    echo "'$command' ran for 4 s as $user"
done
rm -f /tmp/"$user".log
if [ -e /usr/bin/larkspur-log ]; then
    as_user larkspur-log --help >/dev/null || fail "larkspur-log --help"
    echo "larkspur-log --help ran"
else
    echo "note: this build has no larkspur-log, so the package has none"
fi
for f in larkspur/config/adapter.ini larkspur/config larkspur/firmware pellow/config/pellow.ini; do
    path=$home/.local/share/$f
    [ -e "$path" ] || fail "first start did not make $path"
    [ "$(stat -c %U "$path")" = "$user" ] || fail "$path is not owned by $user"
done
echo "settings written under $home/.local/share/{larkspur,pellow}"
$SUDO dpkg -V larkspur || fail "installed files changed"
extra=$(comm -23 <(find /usr/share/larkspur | sort) <(dpkg -L larkspur | sort))
[ -z "$extra" ] || fail "written under /usr/share/larkspur: $extra"
for f in config language firmware sim-volumes; do
    [ ! -e "/usr/bin/$f" ] || fail "written beside the installed programs: /usr/bin/$f"
done
echo "nothing written under the installed tree"
$SUDO apt-get purge -y -qq larkspur >/dev/null || fail "apt-get purge larkspur"
for f in /usr/bin/larkspur /usr/bin/pellow /usr/share/larkspur /usr/share/applications/larkspur.desktop; do
    [ ! -e "$f" ] || fail "$f is left after removing the package"
done
echo "package removed"
