# Sourced by the tests of the real 32-bit plug-in. Gives them a quiet,
# display-less wine prefix of their own (WINEPREFIX, which ctest sets to a
# directory in the build tree), and skips them (exit 77) when the win32 build
# or the tools are missing, unless QUORLIN_REQUIRE_WIN32 is set: then they
# fail. With QUORLIN_WINE_BITS=64 the same for the 64-bit builds: the win64
# tree, wine64, and QUORLIN_REQUIRE_WIN64.

wine_bits=${QUORLIN_WINE_BITS:-32}
wine_tools=(wine wineserver)
if [ "$wine_bits" = 64 ]; then
  # wine64 installed alone keeps its loader and server in /usr/lib/wine.
  PATH=$PATH:/usr/lib/wine
  wine_tools=(wine64 wineserver)
  wine() { wine64 "$@"; }
  wineboot() { wine64 wineboot "$@"; }
  export -f wine
fi

# The instruction set levels the tests force through QUORLIN_ISA; "avx2"
# lowers nothing, so that it is the best the processor runs.
isa_levels=(c sse2 avx2)

# Ends the test as skipped, or as failed where it is required to run.
skip() {
  local required=QUORLIN_REQUIRE_WIN$wine_bits
  if [ -n "${!required:-}" ]; then
    echo "FAILED: $*" >&2
    exit 1
  fi
  echo "skipped: $*"
  exit 77
}

require_tools() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || skip "$tool is missing: scripts/setup.sh installs it"
  done
}

require_files() {
  local f
  for f in "$@"; do
    [ -f "$f" ] || skip "$f is missing: build the win$wine_bits preset first"
  done
}

# The first start creates the prefix, which takes a while. The lock keeps two
# tests from creating it at once; the marker tells a finished prefix from one
# whose creation was interrupted, which is thrown away and made again.
prepare_wine_prefix() {
  require_tools "${wine_tools[@]}"
  : "${WINEPREFIX:?WINEPREFIX must name the prefix directory}"
  export WINEPREFIX WINEARCH=win$wine_bits WINEDEBUG=-all
  # No Mono or Gecko install prompts, and no window: nothing here draws one.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  unset DISPLAY WAYLAND_DISPLAY
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.ready" ]; then
      rm -rf "$WINEPREFIX"
      wineboot --init >/dev/null 2>&1 || true
      wineserver --wait
      [ -f "$WINEPREFIX/system.reg" ] || { echo "could not create the wine prefix $WINEPREFIX" >&2; exit 1; }
      touch "$WINEPREFIX/.ready"
    fi
  ) 9>"$WINEPREFIX.lock"
  # One server for all the tests' wine processes. A server that a wine
  # process starts leaves seconds after the last process, and a process that
  # starts just as it leaves is refused ("recvmsg: Connection reset by peer");
  # this one waits a minute for the next. It fails harmlessly when a server
  # is already running. The first process starts wine's own background
  # processes, which live as long as the server: started here, they hold no
  # test's output open.
  wineserver -p60 </dev/null >/dev/null 2>&1 || true
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# The Windows name of a file, through the Z: drive that maps the root.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# Runs a Windows program; its text-mode output loses the carriage returns.
run_wine() {
  wine "$@" | tr -d '\r'
}

