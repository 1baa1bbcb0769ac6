# Sourced by the other scripts: a Wine prefix of the project's own inside the build folder,
# a display (Xvfb when none is set) and the fonts that Japanese text needs.
# Expects BUILD_DIR to be set.

export WINEPREFIX="${WINEPREFIX_OVERRIDE:-$BUILD_DIR/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# A Japanese Windows, as every user runs: Wine takes the locale (ja-JP), the UI language (0x0411)
# and the code pages (932) from the Unix locale. scripts/install-deps.sh installs it.
unset LC_ALL LC_CTYPE LC_MESSAGES LANGUAGE
export LANG=ja_JP.UTF-8
export WINE64=/usr/lib/wine/wine64
[ -x "$WINE64" ] || WINE64="$(command -v wine64 || command -v wine)"

XVFB_PID=""

# Scripts that source this run with set -e; say which command stopped them.
trap 'rc=$?; echo "$(basename "$0"): command failed (exit $rc): $BASH_COMMAND" >&2' ERR

ensure_display() {
  if [ -n "${DISPLAY:-}" ]; then
    return
  fi
  # -displayfd picks a free display number, so a second Xvfb on the machine does no harm.
  local fifo
  fifo="$(mktemp -u)"
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  XVFB_PID=$!
  local number=""
  read -r number <"$fifo" || true
  rm -f "$fifo"
  if [ -z "$number" ]; then
    echo "Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$number"
}

stop_display() {
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
  fi
}

# The major version of the Wine that runs here ("8" for wine-8.0). Each Wine draws its own parts
# (frames, message boxes, menus) its own way, so approved pictures are kept per major version.
wine_major_version() {
  local text
  text="$("$WINE64" --version </dev/null 2>/dev/null)" || return 1
  [[ "$text" =~ ^wine-([0-9]+)\. ]] || return 1
  echo "${BASH_REMATCH[1]}"
}

# The approved pictures of the running Wine, relative to the checkout.
picture_set_dir() {
  local major
  major="$(wine_major_version)" || return 1
  echo "docs/screenshots/wine-$major"
}

# The Windows form of a path, for arguments of Windows programs.
win_path() {
  "$WINE64" winepath -w "$1" 2>/dev/null </dev/null
}

# wine64 with every standard stream detached: Wine's background services inherit them and
# would keep a pipe reader (CTest, a CI log) waiting.
wine_quiet() {
  "$WINE64" "$@" </dev/null >/dev/null 2>&1
}

ensure_prefix() {
  local stamp="$WINEPREFIX/.travine-prefix-v7"
  if [ -f "$stamp" ]; then
    ensure_marlett
    ensure_no_crash_dialog
    return
  fi
  # One of ours made by an older version of this script (in another locale, say) is made again
  # from nothing, as a new contributor's is.
  if compgen -G "$WINEPREFIX/.travine-prefix-v*" >/dev/null; then
    wineserver -k </dev/null >/dev/null 2>&1 || true
    rm -rf "${WINEPREFIX:?}"
  fi
  mkdir -p "$WINEPREFIX"
  wine_quiet wineboot -i
  wineserver -w
  local cv='HKLM\Software\Microsoft\Windows NT\CurrentVersion'
  # The templates are sized for "Yu Gothic UI", whose kana are proportional. IPAPGothic is
  # proportional too and lays them out whole; Noto Sans CJK draws kana full-width and cuts labels
  # off. It also serves the Japanese text of captions and message boxes (Tahoma's link).
  wine_quiet reg add "$cv\\FontSubstitutes" /v "Yu Gothic UI" /t REG_SZ /d "IPAPGothic" /f
  # A Japanese Windows draws its captions, menus and message boxes in a proportional Gothic too;
  # Wine asks for "MS Shell Dlg", its stand-in "MS UI Gothic" is missing, and the fallback is a
  # fixed-pitch font that spaces Latin letters full-width.
  local face
  for face in "MS Shell Dlg" "MS UI Gothic"; do
    wine_quiet reg add "$cv\\FontSubstitutes" /v "$face" /t REG_SZ /d "IPAPGothic" /f
  done
  wine_quiet reg add "$cv\\FontLink\\SystemLink" /v "Tahoma" /t REG_MULTI_SZ /d "ipagp.ttf,IPAPGothic" /f
  # Symbols the Japanese font lacks (the Setup page's arrow) come from DejaVu Sans. A Japanese
  # Windows knows IPAPGothic by its Japanese name.
  for face in "Yu Gothic UI" "IPAPGothic" "IPA Pゴシック"; do
    wine_quiet reg add "$cv\\FontLink\\SystemLink" /v "$face" /t REG_MULTI_SZ /d "DejaVuSans.ttf,DejaVu Sans" /f
  done
  # One virtual desktop for every Wine window: without a window manager, Wine otherwise waits
  # up to seconds for each top-level window to be mapped or withdrawn.
  wine_quiet reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f
  wine_quiet reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 1024x768 /f
  # The program's own tests set their Windows version case explicitly; start from Windows 11.
  wine_quiet reg add "$cv" /v CurrentBuildNumber /t REG_SZ /d 22631 /f
  wine_quiet reg add "$cv" /v UBR /t REG_DWORD /d 4460 /f
  wine_quiet reg add "$cv" /v DisplayVersion /t REG_SZ /d 23H2 /f
  # As Windows 11 stores them: Microsoft never changed ProductName from "Windows 10 ...".
  wine_quiet reg add "$cv" /v ProductName /t REG_SZ /d "Windows 10 Pro" /f
  wine_quiet reg add "$cv" /v EditionID /t REG_SZ /d Professional /f
  wineserver -w
  ensure_marlett
  ensure_no_crash_dialog
  touch "$stamp"
}

# A crash that the test programs' own filter does not see (before main, say) must not wait in
# winedbg's dialog until CTest's time-out: without the dialog, winedbg prints and ends it.
ensure_no_crash_dialog() {
  local stamp="$WINEPREFIX/.travine-no-crash-dialog"
  if [ ! -f "$stamp" ]; then
    wine_quiet reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
    wineserver -w
    touch "$stamp"
  fi
}

# Wine draws the caption buttons with Marlett, and Debian's Wine does not find its own copy in
# /usr/share/wine/fonts: without it the buttons show as the letters "0 1 r".
ensure_marlett() {
  local marlett=/usr/share/wine/fonts/marlett.ttf fonts="$WINEPREFIX/drive_c/windows/Fonts"
  if [ -f "$marlett" ] && [ -d "$fonts" ] && [ ! -f "$fonts/marlett.ttf" ]; then
    cp "$marlett" "$fonts/"
  fi
}

start_wineserver() {
  wineserver -p </dev/null >/dev/null 2>&1 || true
  # Only its side effect matters: Wine's services start here, detached from our pipes.
  wine_quiet cmd /c exit || true
}

stop_wineserver() {
  wineserver -k </dev/null >/dev/null 2>&1 || true
}

# Display, prefix and a warm wineserver for the rest of the calling script, torn down on exit.
start_wine_session() {
  ensure_display
  trap 'stop_wineserver; stop_display' EXIT
  ensure_prefix
  start_wineserver
}
