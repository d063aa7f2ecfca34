# Helpers for the end-to-end scenarios; sourced after prefix.sh and gui.sh.

# The Windows version Wine reports, and a server that stays up for the
# whole scenario: pending renames are carried out when a new session
# starts, so the checks must see the same session as the scan.
e2e_machine() {
    wineserver -p || fail "no wine server"
    bruvane_set_windows_version "$WINEPREFIX" "$1"
}

# e2e_sample RECORD HOSTFILE: a sample of that signature record, made by
# our own generator.
e2e_sample() {
    mkdir -p "$(dirname "$2")"
    "$BRUVANE_MKSAMPLE" --record "$1" --kind match --out "$2"
}

# e2e_hosts HOSTFILE: a hosts file that the text signature matches.
e2e_hosts() {
    mkdir -p "$(dirname "$1")"
    "$BRUVANE_MKSAMPLE" --hosts --out "$1"
}

# e2e_running_sample RECORD HOSTFILE: a sample that runs (and waits).
e2e_running_sample() {
    mkdir -p "$(dirname "$2")"
    "$BRUVANE_MKSAMPLE" --runnable "$BRUVANE_WAITER" --record "$1" --out "$2"
}

# e2e_hold WINDOWS-PATH: a clean program (C:\bruvane\holder.exe) keeps
# that file open without delete sharing; prints its process id.
e2e_hold() {
    cp "$BRUVANE_WAITER" "$WINEPREFIX/drive_c/bruvane/holder.exe"
    wine 'C:\bruvane\holder.exe' "$1" >/dev/null 2>&1 &
    echo $!
}

# e2e_answer_box CAPTION TEXT BUTTON: answers one system message box in
# the background; e2e_expect_box_answered checks afterwards that it did.
e2e_answer_box() {
    cp "$BRUVANE_BOX_ANSWERER" "$WINEPREFIX/drive_c/bruvane/box.exe"
    wine 'C:\bruvane\box.exe' "$1" "$2" "$3" 150000 > "$BRUVANE_WORK/box.txt" 2>&1 &
    E2E_BOX_PID=$!
}

e2e_expect_box_answered() {
    wait "$E2E_BOX_PID" || fail "$(tr -d '\r' < "$BRUVANE_WORK/box.txt")"
}

# e2e_start_program WINDOWS-PATH: starts it; prints its process id.
e2e_start_program() {
    wine "$1" >/dev/null 2>&1 &
    echo $!
}

# e2e_expect_running PID NAME / e2e_expect_ended PID NAME
e2e_expect_running() {
    kill -0 "$1" 2>/dev/null || fail "$2 is no longer running"
}

e2e_expect_ended() {
    local waited=0
    while kill -0 "$1" 2>/dev/null; do
        [ "$waited" -lt 50 ] || fail "$2 is still running"
        sleep 0.1
        waited=$((waited + 1))
    done
}

# e2e_wait_open PID HOSTFILE: waits (20 s at most) until that waiting
# program holds the file; it says so with HOSTFILE.ready.
e2e_wait_open() {
    local waited=0
    until [ -f "$2.ready" ]; do
        kill -0 "$1" 2>/dev/null || fail "process $1 ended before it held $2"
        [ "$waited" -lt 200 ] || fail "process $1 never held $2"
        sleep 0.1
        waited=$((waited + 1))
    done
}

e2e_expect_file() {
    [ -f "$1" ] || fail "$1 is gone"
}

e2e_expect_no_file() {
    [ ! -e "$1" ] || fail "$1 is still there"
}

# e2e_detection RECORD: the detection name of a record.
e2e_detection() {
    "$BRUVANE_MKSAMPLE" --list | awk -v n="$1" '$1 == n && NF >= 8 { print $2 }'
}

E2E_RUN='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
E2E_RUN_SERVICES='HKLM\Software\Microsoft\Windows\CurrentVersion\RunServices'
E2E_UNINSTALL='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\rhcjg7j0e38v'

e2e_reg_add() {
    wine reg add "$@" /f >/dev/null 2>&1 || fail "reg add $*"
}

# e2e_reg_value KEY NAME [VIEW]: the data of a value, or nothing when it
# is gone. VIEW (/reg:32 or /reg:64) picks a registry view of a 64-bit
# prefix. Wine's reg prints in the OEM code page (437 on an English
# machine, 932 on a Japanese one), so the data is that code page's bytes.
e2e_reg_value() {
    wine reg query "$1" /v "$2" ${3:+"$3"} 2>/dev/null | tr -d '\r' |
        LC_ALL=C awk -v n="$2" '$1 == n { sub(/^[ ]*[^ ]+[ ]+[^ ]+[ ]+/, ""); print; found = 1 } END { exit !found }'
}

# e2e_expect_value KEY NAME DATA [VIEW]
e2e_expect_value() {
    local data
    data=$(e2e_reg_value "$1" "$2" "${4:-}") || fail "value $2 missing under $1${4:+ ($4)}"
    [ "$data" = "$3" ] || fail "value $2 under $1${4:+ ($4)} is [$data], expected [$3]"
}

# e2e_expect_no_value KEY NAME [VIEW]
e2e_expect_no_value() {
    if e2e_reg_value "$1" "$2" "${3:-}" >/dev/null; then fail "value $2 still under $1${3:+ ($3)}"; fi
}

# e2e_reg_import VIEW: imports the registry file on standard input into
# that view (/reg:32 or /reg:64) of a 64-bit prefix. The file goes
# through C: (the prefix has no drive for the host's folders) and is
# removed afterwards.
e2e_reg_import() {
    local file=$WINEPREFIX/drive_c/bruvane/import.reg
    cat > "$file"
    wine reg import 'C:\bruvane\import.reg' "$1" >/dev/null 2>&1 || fail "reg import $1"
    rm -f "$file"
}

# e2e_scan ROBOT-ARGS...: start the program, press Scan, wait for the OK
# button and save the result list (carriage returns removed) in
# $BRUVANE_WORK/lines.txt. Restart offers are answered No by the caller's
# rules; any unanswered prompt fails the robot.
e2e_scan() {
    bruvane_start
    robot wait-window 30000 "$@" click 1052 wait-visible 1070 120000 \
        expect-text 1065 "${E2E_STATUS:-Scanning completed}" list 'C:\bruvane\lines.txt' $(shot "$BRUVANE_SCENARIO") \
        > "$BRUVANE_WORK/robot.txt" || { cat "$BRUVANE_WORK/robot.txt"; fail "the robot failed"; }
    tr -d '\r' < "$WINEPREFIX/drive_c/bruvane/lines.txt" > "$BRUVANE_WORK/lines.txt"
}

# e2e_finish: press OK; the program must end.
e2e_finish() {
    robot wait-window 5000 click 1070 wait-gone 10000 || fail "OK did not close the window"
    bruvane_wait_exit 20 || fail "the program did not end after OK (status $?)"
    if [ -f "$WINEPREFIX/drive_c/bruvane/$BRUVANE_SCENARIO.bmp" ]; then
        bruvane_keep_shot "$BRUVANE_SCENARIO" || fail "the screenshot could not be kept"
    fi
}

# e2e_expect_lines: the result list equals standard input, line for line.
e2e_expect_lines() {
    cat > "$BRUVANE_WORK/expected.txt"
    diff -u "$BRUVANE_WORK/expected.txt" "$BRUVANE_WORK/lines.txt" || fail "unexpected result lines"
}

# e2e_statistics SCANNED INFECTED REMOVED: the closing lines.
e2e_statistics() {
    [ "$2" -gt 0 ] && printf ' \n'
    printf '%s\n' "Scanning statistics" "------------------------------"
    printf 'Total files scanned\t\t:  %d\n' "$1"
    printf 'Total files infected\t\t:  %d\n' "$2"
    printf 'Total files removed\t\t:  %d\n' "$3"
}

# e2e_file_count FOLDER...: regular files below the folders.
e2e_file_count() {
    find "$@" -type f | wc -l
}

# e2e_expect_answers N: the robot's rules answered exactly N prompts.
e2e_expect_answers() {
    local answered
    answered=$(grep -c '^robot: answered' "$BRUVANE_WORK/robot.txt" || true)
    [ "$answered" = "$1" ] && return 0
    cat "$BRUVANE_WORK/robot.txt"
    fail "$answered prompts answered, expected $1"
}

e2e_restart_text() {
    printf 'The system has to be restarted to remove the virus completely from your system. \n\n Restart now?'
}

# e2e_clean_machine VERSION: a clean machine of that version: the
# statistics only, no blank line before them, "Scanning completed", no
# prompt; no file on C: changes.
e2e_clean_machine() {
    e2e_machine "$1"
    local before after
    before=$(e2e_file_count "$WINEPREFIX/drive_c")
    e2e_scan
    # The list and the screenshot were written after the walk.
    after=$(e2e_file_count "$WINEPREFIX/drive_c")
    [ "$after" = $((before + 2)) ] || fail "files on C: changed: $before before, $after after"
    e2e_statistics "$before" 0 0 | e2e_expect_lines
    e2e_expect_answers 0
    e2e_finish
}

# e2e_memory_question: the memory stage's question when an infected
# process outlived both termination attempts and its service.
e2e_memory_question() {
    printf 'W32/Gorvex.Trojan  found in memory! registry entries created by the worm are removed. You must restart the computer and run this program to continue scanning.\n\nRestart the computer now?'
}

# e2e_service_key SET NAME IMAGE: a service registration in control set
# SET (001 or 002) with its Enum and Security subkeys.
e2e_service_key() {
    local key="HKLM\\SYSTEM\\ControlSet$1\\Services\\$2"
    e2e_reg_add "$key" /v ImagePath /t REG_EXPAND_SZ /d "$3"
    e2e_reg_add "$key" /v Start /t REG_DWORD /d 2
    e2e_reg_add "$key\\Enum" /v Count /t REG_DWORD /d 1
    e2e_reg_add "$key\\Security" /v Security /t REG_BINARY /d 01
}

e2e_key_exists() {
    wine reg query "$1" >/dev/null 2>&1
}

e2e_expect_key() {
    e2e_key_exists "$1" || fail "key $1 is gone"
}

e2e_expect_no_key() {
    if e2e_key_exists "$1"; then fail "key $1 is still there"; fi
}

# e2e_guarded_service VERSION: an infected program that nobody may
# terminate (C:\svc\guard.exe, "guard" as a service of its own in both
# control sets) runs beside a clean service "keepsvc"; prints the
# guarded program's process id.
e2e_guarded_service() {
    e2e_machine "$1"
    local c=$WINEPREFIX/drive_c set
    e2e_running_sample 5 "$c/svc/guard.exe"
    for set in 001 002; do
        e2e_service_key "$set" guard 'C:\svc\guard.exe'
        e2e_service_key "$set" keepsvc 'C:\svc\keep.exe'
    done
    wine 'C:\svc\guard.exe' --guarded >/dev/null 2>&1 &
    local guard=$!
    e2e_wait_open "$guard" "$c/svc/guard.exe"
    echo "$guard"
}

# e2e_expect_left_for_restart FILE WINDOWS_PATH HOLDER WHAT: the infected
# FILE (WINDOWS_PATH to the program) that HOLDER keeps is still there and
# set for deletion at the next start, and HOLDER (WHAT) still runs.
e2e_expect_left_for_restart() {
    e2e_expect_file "$1"
    # A deletion is the file's NT path followed by an empty new name.
    e2e_expect_value 'HKLM\System\CurrentControlSet\Control\Session Manager' PendingFileRenameOperations \
        "\\??\\$2\\0"
    e2e_expect_running "$3" "$4"
}

# e2e_unfound_holder VERSION: on a version whose process list comes from
# the performance data (Wine's has no processes), the holder of a locked
# infected file cannot be found: "Could not kill process" is answered,
# the file is reported "Unable to remove" and left in
# PendingFileRenameOperations; the restart offer is answered No. Another
# infected file is removed.
e2e_unfound_holder() {
    e2e_machine "$1"
    local c=$WINEPREFIX/drive_c holder scanned
    e2e_sample 3 "$c/data/tool.exe"
    e2e_sample 1 "$c/locked/locked.exe"
    holder=$(e2e_hold 'C:\locked\locked.exe')
    e2e_wait_open "$holder" "$c/locked/locked.exe"
    e2e_expect_running "$holder" "the program holding the locked file"
    e2e_answer_box 'C:\locked\locked.exe' "Could not kill process" 1
    scanned=$(e2e_file_count "$c")
    e2e_scan rule "Bruvane Ver 1.0" "$(e2e_restart_text)" 7
    e2e_expect_box_answered
    {
        printf '%s\n' 'C:\data\tool.exe     W32/Gorvex.Pos.Trojan removed' \
            'C:\locked\locked.exe     W32/Gorvex.Pfw.Trojan Unable to remove'
        e2e_statistics "$scanned" 2 1
    } | e2e_expect_lines
    e2e_expect_answers 1
    e2e_expect_no_file "$c/data/tool.exe"
    e2e_expect_left_for_restart "$c/locked/locked.exe" 'C:\locked\locked.exe' "$holder" \
        "the program holding the locked file"
    e2e_finish
    kill "$holder" 2>/dev/null || true
}

# e2e_service_outlived VERSION: on NT 4 and NT 5.x an infected program
# that outlives both termination attempts is taken for the service named
# after its file: the stop request fails (no such service runs), its keys
# go from both control sets, and the memory stage asks to restart;
# Cancel ends the program. The file is not acted on; another service's
# keys stay.
e2e_service_outlived() {
    local guard c=$WINEPREFIX/drive_c set key
    guard=$(e2e_guarded_service "$1")
    bruvane_start
    robot wait-window 30000 rule "Bruvane Ver 1.0" "$(e2e_memory_question)" 2 click 1052 wait-gone 60000 \
        > "$BRUVANE_WORK/robot.txt" || { cat "$BRUVANE_WORK/robot.txt"; fail "the window did not close after the memory stage"; }
    bruvane_wait_exit 20 || fail "the program ended with status $? after the memory stage"
    e2e_expect_answers 1
    for set in 001 002; do
        for key in "guard\\Enum" "guard\\Security" guard; do
            e2e_expect_no_key "HKLM\\SYSTEM\\ControlSet$set\\Services\\$key"
        done
        e2e_expect_key "HKLM\\SYSTEM\\ControlSet$set\\Services\\keepsvc\\Enum"
        e2e_expect_value "HKLM\\SYSTEM\\ControlSet$set\\Services\\keepsvc" ImagePath 'C:\svc\keep.exe'
    done
    e2e_expect_file "$c/svc/guard.exe"
    e2e_expect_running "$guard" "the guarded program"
    kill "$guard" 2>/dev/null || true
}

# e2e_localized_machine LOCALE CODEPAGE VERSION: e2e_machine VERSION in
# another language. Wine takes the machine's language from the Unix
# locale of each of its processes, so the whole scenario runs in LOCALE.
# Fails unless the locale was generated (Wine would quietly mangle names
# beyond ASCII) and the ANSI code page is CODEPAGE.
e2e_localized_machine() {
    locale -a | grep -qix "${1%.UTF-8}.utf8" || fail "the locale $1 is not generated (.ci/run generates it)"
    export LC_ALL=$1
    e2e_machine "$3"
    robot expect-acp "$2" || fail "Wine's ANSI code page under $1 is not $2"
}

# e2e_short_path WINDOWS-PATH: the path as Wine's 8.3 aliases spell it,
# in the ANSI code page; the path itself may hold any character.
e2e_short_path() {
    robot short-path "$1" | tr -d '\r' | grep . || fail "no 8.3 form of $1"
}

# e2e_expect_ansi_lines CODEPAGE: the result list equals standard input
# (UTF-8), converted to that ANSI code page, byte for byte. A difference
# is shown in UTF-8.
e2e_expect_ansi_lines() {
    iconv -f UTF-8 -t "CP$1" > "$BRUVANE_WORK/expected.txt" || fail "the expected lines do not fit code page $1"
    cmp -s "$BRUVANE_WORK/expected.txt" "$BRUVANE_WORK/lines.txt" && return 0
    diff -u <(iconv -f "CP$1" -t UTF-8 "$BRUVANE_WORK/expected.txt") \
        <(iconv -c -f "CP$1" -t UTF-8 "$BRUVANE_WORK/lines.txt") >&2 || true
    fail "unexpected result lines (code page $1)"
}

# e2e_process_id NAME: the id of a running process of that image name.
e2e_process_id() {
    robot process-id "$1" | tr -d '\r' | awk '$1 == "process-id" { print $2 }' | grep . ||
        fail "no process $1 runs"
}
