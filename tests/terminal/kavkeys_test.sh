#!/usr/bin/env bash
# kavkeys in tmux reports the PC console's code and control-key state for each key and a click.
. "$(dirname "$0")/tmux_lib.sh"
kavkeys=$1

start_shell tmux-256color
type_line "k=$kavkeys; clear"
sleep 0.3
type_line '$k'
wait_for '^kavkeys: Esc Esc' 5 || fail "kavkeys did not start"

check() {  # check "tmux key names..." "expected line"
  local keys=$1 expected=$2
  # shellcheck disable=SC2086
  tm send-keys -t t $keys
  wait_for "^$expected\$" 3 || fail "$keys should give '$expected'"
}
check F1 "key 3b00 state 00"
check S-F12 "key 8600 state 10"
check C-F1 "key 3b00 state 08"
check M-F10 "key 4400 state 02"
check C-Left "key 4b00 state 08"
check C-Home "key 4700 state 08"
check PPage "key 4900 state 00"
check M-x "key 2d00 state 02"
check M-c "key 2e00 state 02"
check BTab "key 0f00 state 10"
check IC "key 5200 state 00"
check DC "key 5300 state 00"
check Enter "key 000d state 00"
tm send-keys -t t Tab
wait_for '^key 0009 state 00$' 3 || fail "Tab"
tm send-keys -t t -l 'ç'
wait_for '^key 0087 state 00$' 3 || fail "a typed c cedilla should give 0x87"
# tmux passes a click to the program as the SGR report the terminal would send.
tm send-keys -t t -l $'\e[<0;10;5M'
wait_for '^mouse kind 4 button 1 row 5 column 10 state 00$' 3 || fail "left press"
tm send-keys -t t -l $'\e[<0;10;5m'
wait_for '^mouse kind 8 button 1 row 5 column 10 state 00$' 3 || fail "left release"

tm send-keys -t t Escape
sleep 0.2
tm send-keys -t t Escape
# On its way out the console drops pending input, so wait for the shell before typing.
wait_for '^\$ \$k$' 5 || fail "kavkeys did not end after two Esc"
sleep 0.3
type_line 'echo rc=$?'
wait_for '^rc=0$' 5 || fail "kavkeys should end with 0 after two Esc"
expect_screen "\$ \$k
\$ echo rc=\$?
rc=0
\$" "the shell screen is back as it was, nothing typed into it"

[ "$failures" -eq 0 ] && echo "kavkeys: all passed"
exit $((failures > 0))
