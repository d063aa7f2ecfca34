#!/usr/bin/env bash
# bruvane-scan --windows as it is used from a rescue system, over
# installations made here: report only, then --remove, then a second run;
# the written hive read back with hivexsh (Debian's libhivex-bin), not
# only through our own reader; and the refusals, which change nothing.
# Usage: run_offline_scan.sh path/to/bruvane-scan path/to/make_test_installation
set -u
scanner=$1
maker=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/bruvane-offline-test-XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
passes=0

fail() {
    echo "FAIL $1"
    failures=$((failures + 1))
}

# run WHAT EXPECTED_STATUS -- COMMAND...: the output is kept in $work/out
# and $work/err for the checks that follow.
run() {
    local what=$1 status=$2
    shift 3
    timeout 60 "$@" >"$work/out" 2>"$work/err"
    local got=$?
    if [ "$got" -eq "$status" ]; then
        passes=$((passes + 1))
    else
        fail "$what: exit $got, expected $status"
        sed 's/^/  out: /' "$work/out" | head -30
        sed 's/^/  err: /' "$work/err" | head -10
    fi
}

# has FILE TEXT / lacks FILE TEXT
has() { grep -qF -- "$2" "$work/$1" && passes=$((passes + 1)) || fail "$1 lacks '$2'"; }
lacks() { grep -qF -- "$2" "$work/$1" && fail "$1 has '$2'" || passes=$((passes + 1)); }

sums() { (cd "$1" && find . -type f -print0 | sort -z | xargs -0 md5sum); }

# hivexsh's listing of one key's values.
values() { printf 'cd %s\nlsval\n' "$2" | hivexsh "$1"; }

xp="$work/xp"
"$maker" --out "$xp" --windows xp >/dev/null || { echo "FAIL making the installation"; exit 1; }
config="$xp/WINDOWS/system32/config"
sums "$xp" >"$work/sums-before"
cp "$config/software" "$work/software-before"

run "report only" 1 -- "$scanner" --windows "$xp"
has out "Windows: Microsoft Windows XP (NT 5.1, build 2600) in C:\\WINDOWS"
has out "System Registry     W32/Gorvex.Trojan removed"
has out "not disinfected as per user's selection"
has out "Report only: nothing on the disk was changed"
cat >"$work/would" <<'END'
With --remove, bruvane-scan would delete the 1 infected file reported above and these registry entries:
  SOFTWARE Microsoft\Windows\CurrentVersion\Run, value "svcupd"
  SOFTWARE Microsoft\Windows\CurrentVersion\Run, value "SMrhcjg7j0e38v"
  SOFTWARE Microsoft\Windows\CurrentVersion\RunServices, value "svcupd"
  SOFTWARE Microsoft\Windows\CurrentVersion\Uninstall\rhcjg7j0e38v, value "UninstallString"
 
Scanning statistics
END
grep -A6 -F "With --remove" "$work/out" | cmp -s - "$work/would" && passes=$((passes + 1)) || fail "what --remove would do"
sums "$xp" | cmp -s - "$work/sums-before" && passes=$((passes + 1)) || fail "the report changed the disk"

run "--remove" 1 -- "$scanner" --windows "$xp" --remove
has out "C:\\WINDOWS\\system32\\svcupd.exe     W32/Gorvex.Pos.Trojan removed"
has out "Registry: deleted from C:\\WINDOWS\\system32\\config\\software:"
has out "Registry: the SOFTWARE hive as it was is kept in $config/software.bruvane-bak"
lacks out "config\\system:"
cmp -s "$config/software.bruvane-bak" "$work/software-before" && passes=$((passes + 1)) || fail "backup differs"
# Only the changed hive has a backup, and no temporary file stays.
[ "$(ls "$config" | tr '\n' ' ')" = "software software.bruvane-bak system " ] && passes=$((passes + 1)) ||
    fail "config holds: $(ls "$config" | tr '\n' ' ')"
values "$config/software" '\Microsoft\Windows\CurrentVersion\Run' >"$work/run" 2>&1
has run '"ctfmon"="C:\\WINDOWS\\system32\\ctfmon.exe"'
has run '"Bin"=hex(3):01,00,fe,7f,80'
has run '"Tray"=str(2):"%SystemRoot%\\tray.exe"'
lacks run '"svcupd"'
lacks run '"SMrhcjg7j0e38v"'
values "$config/software" '\Microsoft\Windows\CurrentVersion\Uninstall\rhcjg7j0e38v' >"$work/uninstall" 2>&1
has uninstall '"DisplayName"="Update Helper"'
lacks uninstall 'UninstallString'

run "second run" 0 -- "$scanner" --windows "$xp"
has out "With --remove, bruvane-scan would change nothing."
has out "Total files infected		:  0"

# A backup that is already there is the hive before any run: never overwritten.
earlier="$work/earlier"
"$maker" --out "$earlier" --windows xp >/dev/null
echo "an earlier backup" >"$earlier/WINDOWS/system32/config/software.bruvane-bak"
run "a backup already there" 1 -- "$scanner" --windows "$earlier" --remove
has out "Registry: the backup of an earlier run is kept in"
[ "$(cat "$earlier/WINDOWS/system32/config/software.bruvane-bak")" = "an earlier backup" ] &&
    passes=$((passes + 1)) || fail "the earlier backup was overwritten"

# Refusals: exit 2, a message, nothing changed.
damaged="$work/damaged"
"$maker" --out "$damaged" --windows xp --damage-software >/dev/null
sums "$damaged" >"$work/sums-damaged"
run "a damaged hive" 2 -- "$scanner" --windows "$damaged" --remove
has err "the SOFTWARE hive C:\\WINDOWS\\system32\\config\\software cannot be opened"
sums "$damaged" | cmp -s - "$work/sums-damaged" && passes=$((passes + 1)) || fail "a refused run changed the disk"
mkdir -p "$work/plain/Docs"
run "no installation" 2 -- "$scanner" --windows "$work/plain"
has err "is not a Windows installation"
run "C: twice" 2 -- "$scanner" --windows "$xp" --drive "C=$work/plain"
has err "drive C: is given twice"

# A read-only mount, where this machine lets us make one.
readonly_mount="$work/readonly"
mkdir -p "$readonly_mount"
# Mounts $1 read-only on $2 in a mount namespace of its own, then runs the rest.
readonly_script='mount --bind "$1" "$2" && mount -o remount,bind,ro "$2" && shift 2 && exec "$@"'
if unshare -m sh -c "$readonly_script" sh "$xp" "$readonly_mount" true 2>/dev/null; then
    run "read-only with --remove" 2 -- unshare -m sh -c "$readonly_script" sh "$xp" "$readonly_mount" \
        "$scanner" --windows "$readonly_mount" --remove
    has err "is on a read-only mount"
    run "read-only, report only" 0 -- unshare -m sh -c "$readonly_script" sh "$xp" "$readonly_mount" \
        "$scanner" --windows "$readonly_mount"
else
    echo "skip: no read-only bind mount on this machine"
fi

win98="$work/win98"
"$maker" --out "$win98" --windows win98 >/dev/null
run "Windows 98" 1 -- "$scanner" --windows "$win98" --remove
has out "Its registry (SYSTEM.DAT, USER.DAT) cannot be read here"
has out "C:\\WINDOWS\\SYSTEM\\svcupd.exe     W32/Gorvex.Pos.Trojan removed"
[ "$(cat "$win98/WINDOWS/SYSTEM.DAT")" = "CREG, not a regf hive" ] && passes=$((passes + 1)) || fail "SYSTEM.DAT changed"

win10="$work/win10"
"$maker" --out "$win10" --windows win10x64 >/dev/null
run "Windows 10, 64-bit" 1 -- "$scanner" --windows "$win10" --remove
has out "Windows: Windows 10 Pro (NT 10.0, build 19045, 64-bit) in C:\\Windows"
has out "  Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run, value \"svcupd\""
values "$win10/Windows/System32/config/SOFTWARE" '\Microsoft\Windows\CurrentVersion\Run' >"$work/native" 2>&1
has native '"svcupd64"'

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
