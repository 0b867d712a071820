#!/usr/bin/env bash
# zconctab leaves the terminal exactly as it found it: at its normal end, when its input ends,
# and when it is told to end (SIGTERM) while it waits for a key.
. "$(dirname "$0")/tmux_lib.sh"
zconctab=$1
kavkeys=$2
demo=$(mktemp -d)
trap 'stop_shell; rm -rf "$demo"' EXIT

start_shell tmux-256color
type_line "z=$zconctab; k=$kavkeys; d=$demo; stty -g > $demo/before; clear"
sleep 0.3

# A normal run; arguments are ignored.
type_line 'KAVROOT=$d/ KAVTMP=$d $z --help; echo rc=$?; stty -g > $d/after'
wait_for '^rc=' 10 || fail "zconctab did not end"
expect_screen "\$ KAVROOT=\$d/ KAVTMP=\$d \$z --help; echo rc=\$?; stty -g > \$d/after
rc=0
\$" "normal end: exit 0, the shell screen untouched"
cmp -s "$demo/before" "$demo/after" || fail "normal end: terminal modes changed"

# Input ending at once.
type_line 'clear; $z < /dev/null; echo rc=$?; stty -g > $d/after'
wait_for '^rc=' 10 || fail "zconctab with no input did not end"
screen_text | grep -q '^rc=0$' || fail "input end: exit code"
cmp -s "$demo/before" "$demo/after" || fail "input end: terminal modes changed"

# SIGTERM while the console waits for input (kavkeys shares the console's way out).
type_line 'clear; $k; echo rc=$?; stty -g > $d/after'
wait_for '^kavkeys: Esc Esc' 5 || fail "SIGTERM: kavkeys did not start"
kill -TERM "$(foreground_pid)"
wait_for '^rc=' 10 || fail "SIGTERM: did not end"
screen_text | grep -q '^rc=0$' || fail "SIGTERM: exit code"
cmp -s "$demo/before" "$demo/after" || fail "SIGTERM: terminal modes changed"
screen_text | grep -q 'kavkeys: Esc' && fail "SIGTERM: the alternate screen was left on"

# A crash signal: the terminal is put back, then the signal takes its course.
type_line 'clear; $k; echo rc=$?; stty -g > $d/after'
wait_for '^kavkeys: Esc Esc' 5 || fail "crash: kavkeys did not start"
kill -SEGV "$(foreground_pid)"
wait_for '^rc=' 10 || fail "crash: did not end"
screen_text | grep -q '^rc=139$' || fail "crash: the signal should end the process"
cmp -s "$demo/before" "$demo/after" || fail "crash: terminal modes changed"
screen_text | grep -q 'kavkeys: Esc' && fail "crash: the alternate screen was left on"

[ "$failures" -eq 0 ] && echo "zconctab exit: all passed"
exit $((failures > 0))
