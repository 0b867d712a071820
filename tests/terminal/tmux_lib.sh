# Helpers for terminal tests: a private tmux server with one 80 x 25 window running a plain
# shell, and ways to type into it and read what it shows.
set -u

TMUX_SOCKET="zctest-$$-$RANDOM"
tm() { tmux -L "$TMUX_SOCKET" -f /dev/null "$@"; }

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# start_shell TERM: an 80 x 25 window running bash with a short prompt.
start_shell() {
  local term=${1:-tmux-256color}
  tm new-session -d -s t -x 80 -y 25 \
    "env -i HOME=\"$HOME\" PATH=\"$PATH\" TERM=$term LANG=C.UTF-8 PS1='$ ' bash --norc --noprofile"
  tm set-option -g default-terminal "$term" >/dev/null
  tm set-option -g escape-time 0 >/dev/null
  wait_for '^\$ ?$' 5 || fail "the shell did not start"
}

stop_shell() { tm kill-server 2>/dev/null || true; }
trap stop_shell EXIT

screen_text() { tm capture-pane -t t -p; }

# wait_for REGEX SECONDS: until a line of the screen matches.
wait_for() {
  local regex=$1 seconds=${2:-5} i
  for ((i = 0; i < seconds * 20; i++)); do
    screen_text | grep -qE -- "$regex" && return 0
    sleep 0.05
  done
  return 1
}

# The process running in the foreground of the pane's shell.
foreground_pid() { pgrep -P "$(tm display -p -t t '#{pane_pid}')" | head -n 1; }

type_line() { tm send-keys -t t -l "$1"; tm send-keys -t t Enter; }

# The pane must hold exactly these lines (trailing blank lines ignored).
expect_screen() {
  local expected=$1 actual
  actual=$(screen_text | sed -e 's/[[:space:]]*$//' | sed -e :a -e '/^\n*$/{$d;N;ba' -e '}')
  if [ "$actual" != "$expected" ]; then
    fail "$2"
    echo "--- expected"; echo "$expected"; echo "--- actual"; echo "$actual"; echo "---"
  fi
}
