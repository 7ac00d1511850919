#!/usr/bin/env bash
# Every program's command line as its own: --version and --help answer on
# standard output with status 0, and a command line it cannot use ends it with
# status 2 and a message on standard error, all without a display. Qt's
# offscreen platform is there, so a program that took a bad command line for
# a good one would open its windows and wait: the time limit catches that.
#
# usage: command_line_test.sh PROGRAM...   (paths; run by CTest)
set -uo pipefail
[[ $# -gt 0 ]] || { echo "usage: command_line_test.sh PROGRAM..."; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# run PROGRAM EXPECTED-STATUS STDOUT-START STDERR-START ARGS...
run() {
  local program=$1 expected=$2 out=$3 err=$4
  shift 4
  local name
  name=$(basename "$program")
  (cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen \
    timeout 20 "$program" "$@") </dev/null >"$work/out" 2>"$work/err"
  local status=$?
  local said
  said="$name $*: status $status"
  if [[ $status != "$expected" ]]; then
    echo "FAILED: $said, expected $expected"
    failures=$((failures + 1))
  elif [[ $(head -c ${#out} "$work/out") != "$out" || $(head -c ${#err} "$work/err") != "$err" ]]; then
    echo "FAILED: $said; standard output '$(head -c 80 "$work/out")', error '$(head -c 80 "$work/err")'"
    failures=$((failures + 1))
  else
    echo "ok: $said"
  fi
}

for program in "$@"; do
  program=$(readlink -f "$program")
  name=$(basename "$program")
  run "$program" 0 "$name 1." "" --version
  run "$program" 0 "usage: $name" "" --help
  run "$program" 2 "" "$name: " --bogus
done
[[ $failures == 0 ]]
