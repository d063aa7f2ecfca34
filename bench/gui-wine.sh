#!/usr/bin/env bash
# The GUI scan benchmark: bruvane.exe under Wine, Scan pressed by the
# robot, the benchmark's corpus mapped as drive D:, against bruvane-scan
# on the same folder. Also times bruvane-no-status.exe (the same program
# with the per-entry status update linked out) and a scan with an empty
# D: (the prefix's own C:, the memory stage and the start of the scan).
#
#   bench/gui-wine.sh                     100,000 files, 3 rounds
#   bench/gui-wine.sh --files 10000 --rounds 1
#   bench/gui-wine.sh --smoke --work DIR  a tiny corpus, one round (ctest)
#
# Options: --files N, --rounds N, --seed S, --samples K, --poll MS (how
# often the robot looks, default 250), --settle MS (the wait between the
# window's appearance and the press, default 2000), --work DIR (default
# $BRUVANE_BENCH_WORK or /tmp/bruvane-guibench), --host-build DIR,
# --win32-build DIR (default build/host, build/win32), --no-build,
# --summary (only the table of the times already in WORK).
#
# The program removes what it detects, so it scans a copy of the corpus;
# the removed samples are put back from the original after every run and
# the copy is compared with its first listing before the next one. Every
# GUI run gets a fresh prefix from tests/wine/lib/prefix.sh with only C:
# (its own) and D: (the copy, or an empty folder). Restart offers are
# answered No; any other prompt fails the run.
#
# The time of a GUI run is taken by the robot, from its press of Scan to
# its first look that finds the OK button shown (the program shows it
# once the scan has ended and the statistics are in the list). The robot
# looks every --poll ms, so a time is late by up to that much, and the
# program's own start is not part of it. Results: standard output and
# WORK/gui-results-N.md; each run's time in WORK/gui-times-N.tsv.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
files=100000 rounds=3 seed=20240501 samples=36 poll=250 settle=2000 build=1 summary_only=0
work=${BRUVANE_BENCH_WORK:-/tmp/bruvane-guibench}
host=$root/build/host
win32=$root/build/win32
arguments=("$@")
while [ $# -gt 0 ]; do
    case "$1" in
        --files) files=$2; shift 2 ;;
        --rounds) rounds=$2; shift 2 ;;
        --seed) seed=$2; shift 2 ;;
        --samples) samples=$2; shift 2 ;;
        --poll) poll=$2; shift 2 ;;
        --settle) settle=$2; shift 2 ;;
        --work) work=$2; shift 2 ;;
        --host-build) host=$(readlink -f "$2"); shift 2 ;;
        --win32-build) win32=$(readlink -f "$2"); shift 2 ;;
        --no-build) build=0; shift ;;
        --smoke) files=400 samples=12 rounds=1 settle=0; shift ;;
        --summary) summary_only=1; shift ;;
        -h|--help) sed -n '2,32p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) echo "gui-wine.sh: unknown option $1" >&2; exit 2 ;;
    esac
done

scanner=$host/tools/scan/bruvane-scan
exe=$win32/src/app/bruvane.exe
quiet_exe=$win32/bench/gui/bruvane-no-status.exe
robot_exe=$win32/tests/wine/robot/robot.exe
corpus=$work/corpus-$files-$seed-$samples
tree=$corpus/tree
copy=$work/drive-d-$files-$seed-$samples
empty=$work/drive-d-empty
listing=$copy.listing
times=$work/gui-times-$files.tsv

log() { echo "gui-wine: $*" >&2; }
fail() { log "FAILED: $*"; exit 1; }

# ------------------------------------------------------------- preparation

prepare() {
    mkdir -p "$work"
    if [ "$build" = 1 ]; then
        log "building what the benchmark needs ..."
        (cd "$root"
         [ -f "$host/CMakeCache.txt" ] || cmake --preset host -B "$host" >/dev/null
         cmake --build "$host" -j2 --target bruvane-scan bruvane-corpus >/dev/null
         [ -f "$win32/CMakeCache.txt" ] || cmake --preset win32 -B "$win32" >/dev/null
         cmake --build "$win32" -j2 --target bruvane robot bruvane-no-status >/dev/null)
    fi
    local file
    for file in "$scanner" "$exe" "$quiet_exe" "$robot_exe" "$host/bench/corpus/bruvane-corpus"; do
        [ -f "$file" ] || fail "missing $file (build without --no-build)"
    done
    if [ ! -f "$corpus/corpus-info.txt" ]; then
        log "generating the corpus $corpus ..."
        rm -rf "$corpus"
        "$host/bench/corpus/bruvane-corpus" --out "$corpus" --files "$files" --seed "$seed" --samples "$samples" >&2
    fi
    if [ ! -f "$listing" ]; then
        log "copying the corpus to $copy (the program removes its samples there) ..."
        rm -rf "$copy"
        cp -a "$tree" "$copy"
        list_tree "$copy" > "$listing.new"
        list_tree "$tree" | cmp -s - "$listing.new" || fail "the copy differs from the corpus"
        mv "$listing.new" "$listing"
    fi
    rm -rf "$empty"
    mkdir -p "$empty"
}

# Path, kind, size, modification time and mode of every entry below a
# folder; a folder's time changes whenever a sample is put back, so only
# its name and mode count.
list_tree() {
    (cd "$1" && find . -mindepth 1 \( -type d -printf '%P\td\t-\t-\t%m\n' \) -o -printf '%P\t%y\t%s\t%T@\t%m\n' |
        LC_ALL=C sort)
}

# Puts back what a scan removed and makes sure nothing else changed.
restore_copy() {
    local path
    while IFS=$'\t' read -r path _; do
        [ -e "$copy/$path" ] || cp -a "$tree/$path" "$copy/$path"
    done < "$corpus/answer-key.tsv"
    list_tree "$copy" | cmp -s - "$listing" || fail "the copy changed beyond its samples"
}

# ----------------------------------------------------------------- the runs

restart_text=$(printf 'The system has to be restarted to remove the virus completely from your system. \n\n Restart now?')

# gui_run VARIANT EXE DRIVE-D: one scan in a fresh prefix; appends its time.
gui_run() {
    local variant=$1 program=$2 drive=$3 run prefix
    run=$(mktemp -d "$work/run-$variant-XXXXXX")
    prefix=$(bruvane_new_prefix "$run") || fail "no prefix"
    bruvane_draw_own_frames "$prefix"
    bruvane_map_drive "$prefix" d "$drive"
    bruvane_check_isolated "$prefix" "$drive" || fail "the prefix is not isolated"
    mkdir -p "$run/home" "$prefix/drive_c/bruvane"
    cp "$program" "$prefix/drive_c/bruvane/bruvane.exe"
    cp "$robot_exe" "$prefix/drive_c/bruvane/robot.exe"
    (
        export WINEPREFIX=$prefix HOME=$run/home
        cd "$prefix/drive_c"
        # One server for the whole run, so that Wine's own services are
        # up and settled before Scan is pressed.
        wineserver -p
        bruvane_set_windows_version "$prefix" winxp
        local on_c
        on_c=$(find "$prefix/drive_c" -type f | wc -l)
        wine 'C:\bruvane\bruvane.exe' >/dev/null 2>&1 &
        local app=$!
        # The robot's own processor time (GNU time, when there) shows what
        # its looks cost the machine while the program scanned.
        local timer=()
        [ -x /usr/bin/time ] && timer=(/usr/bin/time -f '%U %S' -o "$run/robot-cpu.txt")
        BRUVANE_ROBOT_TRACE=1 "${timer[@]}" wine 'C:\bruvane\robot.exe' wait-window 60000 sleep "$settle" poll "$poll" \
            rule "Bruvane Ver 1.0" "$restart_text" 7 \
            click 1052 wait-visible 1070 3600000 expect-text 1065 "Scanning completed" \
            list 'C:\bruvane\lines.txt' poll 50 click 1070 wait-gone 30000 \
            > "$run/robot.out" 2> "$run/robot.err" || {
            cat "$run/robot.out" "$run/robot.err" >&2
            kill "$app" 2>/dev/null || true
            exit 1
        }
        wait "$app" || true
        tr -d '\r' < "$prefix/drive_c/bruvane/lines.txt" > "$run/lines.txt"
        tr -d '\r' < "$run/robot.err" > "$run/trace.txt"
        echo "$on_c" > "$run/on-c.txt"
    ) || { bruvane_end_prefix "$prefix"; fail "$variant: the robot failed (kept in $run)"; }
    bruvane_end_prefix "$prefix"
    local seconds on_c expected
    seconds=$(awk '$4 == "click" && !start { start = $2 }
                   $4 == "wait-visible" { waiting = 1; next }
                   waiting { print ($2 - start) / 1000; exit }' "$run/trace.txt")
    [ -n "$seconds" ] || fail "$variant: no time in $run/trace.txt"
    on_c=$(cat "$run/on-c.txt")
    if [ "$drive" = "$copy" ]; then expected=$((on_c + files)); else expected=$on_c; fi
    check_gui_lines "$variant" "$run/lines.txt" "$expected" "$drive"
    local robot_cpu=-
    [ -f "$run/robot-cpu.txt" ] && robot_cpu=$(awk 'END { printf "%.2f", $1 + $2 }' "$run/robot-cpu.txt")
    printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$round" "$variant" "$seconds" "$expected" "$(load_now)" "$robot_cpu" >> "$times"
    local answered
    answered=$(grep -c '^robot: answered' "$run/robot.out" || true)
    log "round $round $variant: $seconds s, $expected files, robot $robot_cpu s of processor time, $answered prompts answered"
    rm -rf "$run"
    if [ "$drive" = "$copy" ]; then restore_copy; fi
}

# The result list: every sample of the answer key on D: removed, nothing
# else detected, every file counted.
check_gui_lines() {
    local variant=$1 lines=$2 expected=$3 drive=$4 want got
    if [ "$drive" = "$copy" ]; then
        want=$(awk -F'\t' '{ gsub("/", "\\", $1); print "D:\\" $1 "     " $3 " removed" }' "$corpus/answer-key.tsv" | LC_ALL=C sort)
    else
        want=
    fi
    got=$(grep -F '     W32/Gorvex.' "$lines" | LC_ALL=C sort || true)
    [ "$want" = "$got" ] || { diff <(echo "$want") <(echo "$got") | head -20 >&2; fail "$variant: unexpected detections"; }
    grep -qxF "$(printf 'Total files scanned\t\t:  %d' "$expected")" "$lines" ||
        fail "$variant: $(grep 'Total files scanned' "$lines") but $expected files were there"
}

scan_run() {
    local output=$work/scan-output.txt start end status=0
    start=$(date +%s.%N)
    "$scanner" "$copy" > "$output" || status=$?
    end=$(date +%s.%N)
    [ "$status" = $((samples > 0 ? 1 : 0)) ] || fail "bruvane-scan: exit status $status"
    grep -qxF "$(printf 'Total files scanned\t\t:  %d' "$files")" "$output" || fail "bruvane-scan: wrong file count"
    [ "$(grep -c 'not disinfected as per user' "$output")" = "$samples" ] || fail "bruvane-scan: wrong detections"
    if [ -n "${round:-}" ]; then
        local seconds
        seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')
        printf '%s\t%s\t%s\t%s\t%s\t-\n' "$round" scan "$seconds" "$files" "$(load_now)" >> "$times"
        log "round $round scan: $seconds s"
    fi
}

load_now() { awk '{ print $1 }' /proc/loadavg; }

# ------------------------------------------------------------------ summary

summary() {
    python3 - "$times" "$files" "$poll" <<'PY'
import statistics, sys
path, corpus_files, poll = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
runs = {}
loads = []
robot_cpu = []
by_round = {}
for line in open(path):
    round_, variant, seconds, files, load, robot = line.rstrip("\n").split("\t")
    runs.setdefault(variant, []).append((float(seconds), int(files)))
    by_round.setdefault(round_, {})[variant] = float(seconds)
    loads.append(float(load))
    if robot != "-":
        robot_cpu.append(float(robot))
labels = [("gui", "bruvane.exe, corpus as D:"), ("no-status", "bruvane-no-status.exe, corpus as D:"),
          ("empty", "bruvane.exe, empty D: (C: and memory stage only)"), ("scan", "bruvane-scan, corpus folder")]
median = {v: statistics.median(s for s, _ in r) for v, r in runs.items()}
print("| run | median s | min - max s | runs | files scanned | files/s | x bruvane-scan |")
print("|---|---|---|---|---|---|---|")
for variant, label in labels:
    if variant not in runs:
        continue
    times = [s for s, _ in runs[variant]]
    counted = runs[variant][0][1]
    ratio = "%.1f" % (median[variant] / median["scan"]) if "scan" in median and variant != "empty" else "-"
    print("| %s | %.3f | %.3f - %.3f | %d | %s | %s | %s |" % (
        label, median[variant], min(times), max(times), len(times), "{:,}".format(counted),
        "{:,}".format(int(round(counted / median[variant]))), ratio))
if "gui" in median and "no-status" in median:
    share = (median["gui"] - median["no-status"]) / median["gui"]
    print("\nPer-entry status update: %.3f s of the median GUI scan's %.3f s, a share of %.1f %%"
          % (median["gui"] - median["no-status"], median["gui"], 100 * share))
    # Within a round both ran under about the same load.
    paired = [1 - r["no-status"] / r["gui"] for r in by_round.values() if "gui" in r and "no-status" in r]
    print("Share within each round: %s (median %.1f %%)" % (
        ", ".join("%.1f %%" % (100 * p) for p in paired), 100 * statistics.median(paired)))
if "gui" in median and "empty" in median:
    walk = median["gui"] - median["empty"]
    # A tiny corpus can take no longer than an empty D: at the robot's
    # polling steps; there is no rate to give then.
    rate = "{:,}".format(int(round(corpus_files / walk))) if walk > 0 else "-"
    print("GUI scan less the empty-D: scan: %.3f s for the corpus's %s files, %s files/s"
          % (walk, "{:,}".format(corpus_files), rate))
if robot_cpu:
    print("The robot's processor time per GUI run (its start included): %.2f to %.2f s" % (min(robot_cpu), max(robot_cpu)))
if loads:
    print("Load average (1 min) during the runs: %.2f to %.2f; robot polls every %d ms" % (min(loads), max(loads), poll))
PY
}

# --------------------------------------------------------------------- main

if [ "$summary_only" = 1 ]; then
    summary
    exit 0
fi
if [ -z "${BRUVANE_GUIBENCH_DISPLAY:-}" ]; then
    prepare
    . "$root/tests/wine/lib/prefix.sh"
    bruvane_wine_template >/dev/null || fail "no Wine template"
    log "warm-up and check of bruvane-scan ..."
    scan_run
    : > "$times"
    # One X server for all the runs; the GUI runs need it, the others do
    # not mind it.
    . "$root/tests/wine/lib/display.sh"
    mkdir -p "$work"
    bruvane_start_display "$work" || fail "no X server"
    status=0
    BRUVANE_GUIBENCH_DISPLAY=1 bash "$0" "${arguments[@]}" --no-build || status=$?
    bruvane_stop_display
    [ "$status" = 0 ] || exit "$status"
    summary | tee "$work/gui-results-$files.md"
    exit 0
fi

. "$root/tests/wine/lib/prefix.sh"
variants=(gui no-status empty scan)
for round in $(seq 1 "$rounds"); do
    # The order turns by one each round.
    for index in 0 1 2 3; do
        variant=${variants[$(((index + round - 1) % 4))]}
        case "$variant" in
            gui) gui_run gui "$exe" "$copy" ;;
            no-status) gui_run no-status "$quiet_exe" "$copy" ;;
            empty) gui_run empty "$exe" "$empty" ;;
            scan) scan_run ;;
        esac
    done
done
