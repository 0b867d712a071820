# Sourced by ./run and ./test: makes sure Debian's packages the build needs are present.
# As root it installs what is missing; otherwise it prints the one apt-get line and stops.
zc_packages="cmake g++ ninja-build pkg-config libncurses-dev libsqlite3-dev libgtest-dev
libgmock-dev libbenchmark-dev tmux clang libclang-rt-14-dev ncurses-term postgresql-15 libpq-dev"

zc_ensure_packages() {
  local missing=() p
  for p in $zc_packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq && apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  else
    echo "Missing packages. Run, as root:"
    echo "  apt-get install -y ${missing[*]}"
    exit 1
  fi
}
