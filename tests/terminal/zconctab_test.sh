#!/usr/bin/env bash
# zconctab in a real terminal: the start-up screen, editing and saving, leaving with Esc, the
# pop-ups typing into a cell, and the terminal left exactly as it was found on every way out
# (normal end, end of input, SIGTERM in the middle of an edit).
. "$(dirname "$0")/tmux_lib.sh"
zconctab=$1
kavrec=$2
data=$3
demo=$(mktemp -d)
trap 'stop_shell; rm -rf "$demo"' EXIT

mkdir -p "$demo/tmp" "$demo/term"
cp -R "$data/root" "$demo/root"
mkdir -p "$demo/root/DADES"
cp "$data/root/SESSIO/Sessio.ini" "$demo/tmp/"
# A fixed working date, so the calendar's answer is known.
sed -e 's/^Data=.*/Data=20240315\r/' "$data/root/SESSIO/NerlTerm.ini" >"$demo/tmp/NerlTerm.ini"
sed -i -e "s|^Dir=.*|Dir=$demo/term\r|" "$demo/tmp/Sessio.ini"

start_shell tmux-256color
type_line "export KAVROOT=$demo/root/ KAVTMP=$demo/tmp; z=$zconctab; k=$kavrec; d=$demo"
type_line 'stty -g > $d/before; clear'
sleep 0.3

# Each run prints its exit code only once the terminal modes after it have been written down.
run_program() {  # starts zconctab and waits for its first page
  type_line 'clear; $z; rc=$?; stty -g > $d/after; echo rc=$rc'
  wait_for 'CONCEPTES FIXOS' 10 || fail "$1: the grid did not appear"
}
ended() {  # the program ended with 0 and left the terminal as it was
  wait_for '^rc=' 10 || { fail "$1: did not end"; return; }
  screen_text | grep -q '^rc=0$' || fail "$1: exit code"
  cmp -s "$demo/before" "$demo/after" ||
    fail "$1: terminal modes changed: $(cat "$demo/before") -> $(cat "$demo/after")"
  screen_text | grep -q 'CONCEPTES' && fail "$1: the program's screen was left behind"
  [ -e "$demo/tmp/taula.tmp" ] && fail "$1: the work file was left behind"
  sleep 0.3
}
saved_table() { "$kavrec" save "$demo/root/DADES/TVRebut.dat" /dev/stdout 2>/dev/null | tr -d '\032'; }

# Start-up screen: rows 1 to 3 and the ten fixed rows.
run_program "start-up"
row() { screen_text | sed -n "${1}p" | sed -e 's/[[:space:]]*$//'; }
[[ "$(row 1)" == *"Conceptes de rebuts"*"CONCEPTES FIXOS" ]] || fail "row 1: '$(row 1)'"
[ "$(row 2)" = "     C. CONCEPTE             IVA RETENIBLE LIQUIDABLE TIPUS" ] || fail "row 2: '$(row 2)'"
[ "$(row 3)" = "     -- -------------------- --- --------- ---------- --------------------" ] ||
  fail "row 3: '$(row 3)'"
for n in 1 2 3 4 5 6 7 8 9 10; do
  expected=$(printf '     %2d                      ---    ---        ---      -' "$n")
  [ "$(row $((n + 3)))" = "$expected" ] || fail "fixed row $n: '$(row $((n + 3)))'"
done

# Page Down goes to the last cell of a page, and from there to the first cell of the next:
# keys are sent in exact counts, and the screen is checked once they have been taken.
page_down() {
  local i
  for ((i = 0; i < $1; i++)); do tm send-keys -t t NPage; done
}

# Type a name on page 2, go on to page 6, and Enter to the end saves it.
page_down 2
wait_for 'DEFINIBLES' 5 || fail "Page Down did not show page 2"
tm send-keys -t t -l 'Quota anual'
tm send-keys -t t Enter
page_down 8
wait_for '^ +81 ' 5 || fail "Page Down did not reach page 6"
wait_for '^ +99 ' 5 || fail "page 6 did not show concept 99"
for _ in $(seq 1 25); do
  screen_text | grep -q '^rc=' && break
  tm send-keys -t t Enter
  sleep 0.15
done
ended "save"
saved_table | grep -q 'Quota anual' || fail "the saved table does not hold the new name"

# Esc, confirmed with S, leaves without saving.
before=$(saved_table | md5sum)
run_program "esc"
page_down 2
wait_for 'Quota anual' 5 || fail "esc: the saved name is not shown"
tm send-keys -t t -l 'Canviat'
tm send-keys -t t Enter
# Esc goes back to the page's first cell; Esc there leaves, after the question.
tm send-keys -t t Escape
sleep 0.2
tm send-keys -t t Escape
wait_for 'Voleu sortir sense desar' 5 || fail "esc: no confirmation"
tm send-keys -t t -l 'S'
tm send-keys -t t Enter
ended "esc"
[ "$(saved_table | md5sum)" = "$before" ] || fail "esc: the table changed"

# The pop-ups type into the cell being edited: the calendar's date, the calculator's result.
run_program "pop-ups"
tm send-keys -t t M-c
wait_for 'MAR' 5 || fail "Alt+C: no calendar"
tm send-keys -t t F
wait_for '^ +1 15/3/2024 ' 5 || fail "Alt+C, F: the date was not typed into the name"
tm send-keys -t t C-y  # empties the field
tm send-keys -t t M-x
sleep 0.5
tm send-keys -t t -l '5+3='
tm send-keys -t t F
wait_for '^ +1 800' 5 || fail "Alt+X 5 + 3 = F: 800 was not typed into the name"
tm send-keys -t t Escape
sleep 0.3
tm send-keys -t t Escape
wait_for 'Voleu sortir sense desar|^rc=' 5
screen_text | grep -q 'Voleu sortir' && { tm send-keys -t t -l 'S'; tm send-keys -t t Enter; }
ended "pop-ups"

# SIGTERM in the middle of an edit: nothing is saved, the terminal is put back.
before=$(saved_table | md5sum)
run_program "sigterm"
tm send-keys -t t -l 'A mig escriure'
tm send-keys -t t Enter
sleep 0.3
kill -TERM "$(foreground_pid)"
ended "sigterm"
[ "$(saved_table | md5sum)" = "$before" ] || fail "sigterm: the table changed"

# A crash: the terminal is put back, then the signal takes its course.
run_program "crash"
kill -SEGV "$(foreground_pid)"
wait_for '^rc=' 10 || fail "crash: did not end"
screen_text | grep -q '^rc=139$' || fail "crash: the signal should end the process"
cmp -s "$demo/before" "$demo/after" || fail "crash: terminal modes changed"
screen_text | grep -q 'CONCEPTES' && fail "crash: the program's screen was left behind"
rm -f "$demo/tmp/taula.tmp"
sleep 0.3

# Input that ends at once.
type_line 'clear; $z < /dev/null; rc=$?; stty -g > $d/after; echo rc=$rc'
ended "input end"

[ "$failures" -eq 0 ] && echo "zconctab: all passed"
exit $((failures > 0))
