#!/usr/bin/env bash
# Runs scripts/install-deps.sh the way a fresh machine would meet it, with stand-ins for the
# package tools that record what they were asked: root on a machine without sudo, a normal user
# with sudo, a normal user without it, and a machine that already has every package. The
# normal-user cases need root to switch users (setpriv); without root they are skipped.
set -uo pipefail
script=$(cd "$(dirname "$0")/../.." && pwd)/scripts/install-deps.sh
work=$(mktemp -d /tmp/install-deps-test-XXXXXX)
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
failures=0
passed=0

# A bin folder holding only what the script may find: the basic tools, the stand-ins, and sudo
# only when asked for. Each stand-in appends its command line to $work/<case>/calls.
make_bin() { # case, with-sudo (yes/no), installed (yes/no)
  local dir=$work/$1
  mkdir -p "$dir/bin"
  chmod 777 "$dir"
  for tool in bash env id grep cat dirname; do ln -s "$(command -v "$tool")" "$dir/bin/$tool"; done
  local status='deinstall ok config-files'
  [ "$3" = yes ] && status='install ok installed'
  printf '#!%s\nprintf %%s "%s"\n' "$(command -v bash)" "$status" >"$dir/bin/dpkg-query"
  printf '#!%s\necho "apt-get $* (uid $(id -u), DEBIAN_FRONTEND=$DEBIAN_FRONTEND)" >>%s/calls\n' \
    "$(command -v bash)" "$dir" >"$dir/bin/apt-get"
  if [ "$2" = yes ]; then
    # The stand-in runs the command as the caller, which is enough to see what was asked.
    printf '#!%s\necho "sudo $*" >>%s/calls\nexec "$@"\n' "$(command -v bash)" "$dir" >"$dir/bin/sudo"
  fi
  chmod 755 "$dir/bin"/*
}

# Runs the script as root or as the user nobody; stdout+stderr to $work/<case>/out.
run_case() { # case, user (root/nobody)
  local dir=$work/$1 as=()
  [ "$2" = nobody ] && as=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  (cd "$dir" && "${as[@]}" env -i PATH="$dir/bin" HOME="$dir" bash "$script" >"$dir/out" 2>&1)
  echo $? >"$dir/status"
}

check() { # description, condition...
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failures=$((failures + 1))
    echo "FAILED: $what"
  fi
}
calls() { cat "$work/$1/calls" 2>/dev/null; }
status() { cat "$work/$1/status"; }

make_bin root-without-sudo no no
run_case root-without-sudo root
check "root without sudo installs" [ "$(status root-without-sudo)" = 0 ]
check "root without sudo calls apt-get directly as root" \
  grep -qx 'apt-get install -y --no-install-recommends .* (uid 0, DEBIAN_FRONTEND=noninteractive)' \
  <(calls root-without-sudo)
check "root without sudo updates the lists first" \
  [ "$(calls root-without-sudo | head -n 1 | cut -d' ' -f1-2)" = "apt-get update" ]

if [ "$(id -u)" -eq 0 ] && command -v setpriv >/dev/null; then
  make_bin user-with-sudo yes no
  run_case user-with-sudo nobody
  check "a user with sudo installs" [ "$(status user-with-sudo)" = 0 ]
  check "a user with sudo raises apt-get through sudo, non-interactively" \
    grep -q '^sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends .* wine ' \
    <(calls user-with-sudo)
  check "a user never calls apt-get without sudo" \
    [ "$(calls user-with-sudo | grep -c '^apt-get')" = "$(calls user-with-sudo | grep -c '^sudo')" ]

  make_bin user-without-sudo no no
  run_case user-without-sudo nobody
  check "a user without sudo fails" [ "$(status user-without-sudo)" = 1 ]
  check "a user without sudo is told in one line to install as root" \
    [ "$(wc -l <"$work/user-without-sudo/out")" = 1 ]
  check "the line says how" grep -q "su -c 'bash .*install-deps.sh'" "$work/user-without-sudo/out"
  check "a user without sudo installs nothing" [ -z "$(calls user-without-sudo)" ]

  make_bin user-all-installed no yes
  run_case user-all-installed nobody
  check "a user on a complete machine needs no root" [ "$(status user-all-installed)" = 0 ]
  check "a complete machine installs nothing and says nothing" \
    [ -z "$(calls user-all-installed)$(cat "$work/user-all-installed/out")" ]
else
  echo "skipped: the normal-user cases need root and setpriv"
fi

echo "$passed passed, $failures failed"
[ "$failures" -eq 0 ]
