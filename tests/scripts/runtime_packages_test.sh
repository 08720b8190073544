#!/usr/bin/env bash
# The README's list of runtime packages is complete: every shared library the installer and the
# Qt platform plug-ins it loads (X11, Wayland) link, found with ldd and owned per dpkg -S, comes
# from a listed package or from one the listed packages depend on, as apt installs them.
#
# Usage: runtime_packages_test.sh <VostrelSetup> <README.md>
set -uo pipefail
exe=$1
readme=$2
plugins=/usr/lib/x86_64-linux-gnu/qt6/plugins/platforms
failed() {
  echo "$*" >&2
  echo "0 passed, 1 failed"
  exit 1
}

listed=$(grep -m 1 '^    sudo apt-get install --no-install-recommends ' "$readme" |
  sed 's/^    sudo apt-get install --no-install-recommends //')
[ -n "$listed" ] ||
  failed "the README has no 'sudo apt-get install --no-install-recommends' line of runtime packages"

# Every installed package's dependencies, one read of dpkg's database.
declare -A depends installed
while IFS=$'\t' read -r package status dependencies; do
  [ "$status" = "install ok installed" ] || continue
  installed[$package]=1
  depends[$package]=$dependencies
done < <(dpkg-query -W -f='${Package}\t${Status}\t${Pre-Depends}, ${Depends}\n')

# What the listed packages bring with them: their dependencies, recursively, through the
# installed alternative of each choice.
declare -A closure
queue=($listed)
while [ ${#queue[@]} -gt 0 ]; do
  package=${queue[0]}
  queue=("${queue[@]:1}")
  [ -n "${closure[$package]:-}" ] && continue
  closure[$package]=1
  IFS=',' read -ra choices <<<"${depends[$package]:-}"
  for choice in "${choices[@]}"; do
    IFS='|' read -ra alternatives <<<"$choice"
    for alternative in "${alternatives[@]}"; do
      name=$(awk '{print $1}' <<<"$alternative")
      name=${name%%:*}
      if [ -n "$name" ] && [ -n "${installed[$name]:-}" ]; then
        queue+=("$name")
        break
      fi
    done
  done
done

# The files whose packages are needed: the plug-ins and every library ldd finds for them and
# for the program. With /lib merged into /usr/lib, dpkg knows a library by either name, and by
# a link's name or its target's.
files=()
for file in "$plugins"/libqxcb.so "$plugins"/libqwayland-*.so; do
  [ -e "$file" ] || failed "missing: $file (is qt6-wayland installed?)"
  files+=("$file")
done
for file in "$exe" "${files[@]}"; do
  while read -r library; do files+=("$library"); done < <(ldd "$file" | awk '/=> \// {print $3}')
done
declare -A owner
while IFS= read -r line; do
  owner[${line#*: }]=${line%%[:,]*}
done < <(for file in "${files[@]}"; do
  real=$(readlink -f "$file")
  printf '%s\n' "$file" "$real" "${real#/usr}"
done | sort -u | xargs -d '\n' dpkg -S 2>/dev/null)

missing=()
for file in $(printf '%s\n' "${files[@]}" | sort -u); do
  real=$(readlink -f "$file")
  package=${owner[$file]:-${owner[$real]:-${owner[${real#/usr}]:-}}}
  [ -n "$package" ] || failed "no package owns $file"
  [ -n "${closure[$package]:-}" ] || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  failed "the README's runtime packages miss: $(printf '%s\n' "${missing[@]}" | sort -u | tr '\n' ' ')"
fi
echo "1 passed, 0 failed"
