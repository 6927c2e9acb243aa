# shellcheck shell=bash
# Sourced by the scripts that install what they need: which of the named Debian packages are not
# installed, one per line.
missing_packages() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep >/dev/null "install ok installed" || echo "$p"
  done
}
