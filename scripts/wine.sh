# shellcheck shell=bash
# Sourced by the scripts that run Wine: which of Wine's loaders runs here, and a `wine` of our
# own that starts that one.
#
# Debian's `wine` starts the 32-bit loader whenever it is installed, and that loader hands 64-bit
# programs to the 64-bit one; on a machine that refuses 32-bit programs it cannot start at all,
# so every program fails, 64-bit ones too. Our `wine` (and `wine-stable`, which wineboot and
# winepath call) starts the 32-bit loader only where it runs, and otherwise the 64-bit loader
# from a folder with no 32-bit loader beside it, so that a 32-bit program fails in Wine's words.
# QV410_NO_WIN32=1 makes a machine that runs 32-bit programs behave as one that does not (for
# testing the scripts themselves).

wine32_loader=/usr/lib/wine/wine
wine64_loader=/usr/lib/wine/wine64

# Whether the 32-bit loader runs here; when not, wine32_reason says why in one line.
wine32_reason=""
wine32_runs() {
  if [ -n "${QV410_NO_WIN32:-}" ] && [ "$QV410_NO_WIN32" != 0 ]; then
    wine32_reason="Wine's 32-bit loader is hidden (QV410_NO_WIN32=$QV410_NO_WIN32)"
    return 1
  fi
  if [ ! -x "$wine32_loader" ]; then
    wine32_reason="no 32-bit Wine loader ($wine32_loader, package wine32:i386)"
    return 1
  fi
  local out status=0
  # Through bash, which names an exec failure as the kernel gives it ("Exec format error").
  out=$(timeout 60 bash -c 'exec "$1" --version' bash "$wine32_loader" 2>&1) || status=$?
  out=${out#bash: line 1: }
  if [ "$status" -eq 0 ] && grep -q '^wine-' <<<"$out"; then
    return 0
  fi
  out=$(grep -m1 -v '^[[:space:]]*$' <<<"$out" || true)
  wine32_reason="$wine32_loader does not run here: ${out:-exit status $status}"
  return 1
}

# use_wine <folder>: puts our `wine` first on PATH; wine_loader names the loader it starts.
wine_loader=${wine_loader:-}
use_wine() {
  local dir=$1 exec_line
  mkdir -p "$dir/bin" "$dir/loader"
  if wine32_runs; then
    wine_loader=$wine32_loader
    exec_line="exec \"$wine32_loader\" \"\$@\""
  else
    wine_loader=$wine64_loader
    # The 64-bit loader looks for the 32-bit one beside the path it was started by.
    ln -sfn "$wine64_loader" "$dir/loader/wine64"
    rm -f "$dir/loader/wine"
    exec_line="export WINELOADER=\"$dir/loader/wine64\"; exec \"$dir/loader/wine64\" \"\$@\""
  fi
  local name
  for name in wine wine-stable; do
    printf '#!/bin/sh\n[ -n "$WINEDEBUG" ] || export WINEDEBUG=fixme-all\n%s\n' "$exec_line" \
      >"$dir/bin/$name"
    chmod +x "$dir/bin/$name"
  done
  case ":$PATH:" in
  *":$dir/bin:"*) ;;
  *) export PATH="$dir/bin:$PATH" ;;
  esac
}

# wine_prefix_fonts <CJK family>: the fonts of $WINEPREFIX as the operator's Windows has them.
# English: "MS Shell Dlg" and "MS Shell Dlg 2" map to Tahoma, here Wine's own from fonts-wine,
# copied to where Windows keeps its fonts (this Wine reads none from its data folder). Chinese:
# Wine maps them to SimSun for the Chinese code page, as a Chinese Windows does; SimSun is not
# shipped, so the system's CJK face stands behind it. Forgetting the code pages Wine last wrote
# its substitutes for makes the next process write them afresh (mending a prefix that still
# holds an older mapping). Wine reads the font list once per wineserver: restart it after this.
wine_prefix_fonts() {
  local cjk=$1 face
  local fonts=$WINEPREFIX/drive_c/windows/Fonts
  mkdir -p "$fonts" &&
    cp /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf "$fonts/" || return 1
  for face in SimSun NSimSun; do
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d "$cjk" /f \
      >/dev/null 2>&1 || return 1
  done
  wine reg delete 'HKCU\Software\Wine\Fonts' /v Codepages /f >/dev/null 2>&1 || true
}
