#!/usr/bin/env bash
# The bash completion of strataplot: every option of --help is offered, and
# the values of the options that have a fixed set. Run by CTest with the
# host program's path.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
host=${1:?usage: completion_test.sh STRATAPLOT}
source "$here/completion.bash"
failures=0

# The words offered for the command line "$1" (completing its last word).
offered() {
  read -ra COMP_WORDS <<<"$1"
  [[ $1 == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  _strataplot
  echo "${COMPREPLY[*]}"
}

expect() {
  local got
  got=$(offered "$1")
  if [[ $got != "$2" ]]; then
    echo "'$1': offered '$got', expected '$2'"
    failures=$((failures + 1))
  fi
}

for option in $("$host" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
  case " $(offered "strataplot --") " in
    *" $option "*) ;;
    *) echo "--help lists $option, the completion does not offer it"; failures=$((failures + 1)) ;;
  esac
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
touch "$work/demo.iga" "$work/other.iga"
printf '\xc9\xb3\xc8\xfd\xb6\xce\nEk1\n' >"$work/demo.isc"

expect "strataplot oil-e" "oil-expulsion"
expect "strataplot gas --kind w" "wg"
expect "strataplot --overwrite yes,n" "yes,no"
expect "strataplot --interval 12,c" "12,cancel"
expect "strataplot --deep " "yes no"
expect "strataplot --kind = w" "wg"  # --kind=w, as bash splits it
expect "strataplot --deep =" "yes no"
expect "strataplot -C $work -p d" "demo"
expect "strataplot -C $work -p demo --horizon E" "Ek1"
expect "strataplot -C $work -p demo --horizon 沙" "沙三段"
expect "strataplot -p demo gas " ""
expect "strataplot -p demo gas --grids xyz,gt" "xyz,gtiff"
expect "strataplot render x --w" "--width"
expect "strataplot -p demo history --ch" "--chart"
expect "strataplot -p demo history --chart s" "svg"

exit $((failures > 0))
