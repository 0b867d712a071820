# Sourced by ./run and ./test: makes sure Debian's packages the build needs are present.
# As root it installs what is missing; otherwise it prints the one apt-get line and stops.
# What building the programs needs (./run), and what the tests add (./test).
zc_build_packages="cmake g++ ninja-build pkg-config libncurses-dev libsqlite3-dev libpq-dev
libgtest-dev libgmock-dev libbenchmark-dev ncurses-term"
zc_test_packages="tmux clang libclang-rt-14-dev clang-format postgresql-15"

# zc_ensure_packages [test]
zc_ensure_packages() {
  local missing=() p packages=$zc_build_packages
  [ "${1:-}" = test ] && packages="$packages $zc_test_packages"
  for p in $packages; do
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
