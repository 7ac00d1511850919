#!/usr/bin/env bash
# The command lines README.md and docs/*.md show, run as a reader runs them
# from the top of the tree, each expected to end with the status the text
# gives it: 0, unless the line ends with a comment that says "status N", as in
#
#     build/strataplot -C build/sample-run -p demo maps   # status 2: no such command
#
# Commands are the lines of indented code blocks and of fenced blocks marked
# sh, bash or shell; a line that ends in "\" goes on on the next. They run in
# the order shown, README.md first, in a scratch copy of the tree whose build/
# holds the programs already built (there scripts/build does nothing). A
# command that cannot run here is named in `skipped` below with the reason;
# every other one, a new example included, is run. The relative links of the
# same files must lead to a file, and a link's #anchor to one of its headings.
#
# usage: docs_commands_test.sh SOURCE_DIR PROGRAM_DIR
#   PROGRAM_DIR: where the build put strataplot and the other programs.
set -uo pipefail
source_dir=${1:?usage: docs_commands_test.sh SOURCE_DIR PROGRAM_DIR}
program_dir=${2:?usage: docs_commands_test.sh SOURCE_DIR PROGRAM_DIR}
source_dir=$(cd "$source_dir" && pwd)
program_dir=$(cd "$program_dir" && pwd)
export LC_ALL=C.UTF-8

# Commands not run, as the text shows them without their comment, and why.
declare -A skipped=(
  ["scripts/test"]="builds the tree twice, runs every test and fuzzes"
  ["build/strataplot -C DIR -p NAME oil-expulsion"]="a synopsis, asking at a terminal"
  ["build/strataplot --gui -C DIR -p NAME COMMAND"]="a synopsis; needs a display"
  ["build/strataplot-desktop [DIR]"]="a synopsis; needs a display"
  ["cmake -S . -B build && cmake --build build -j2"]="builds the tree"
  ["cmake --install build --prefix /opt/strataplot"]="installs outside the tree (the test install_tree installs into a scratch prefix)"
  ["cpack --config build/CPackConfig.cmake -B build/package"]="builds the package (so does install_tree)"
  ["apt install ./build/package/*_1.0.1_amd64.deb"]="installs system-wide"
  ["scripts/build && build/strataplot-bench"]="builds the tree and measures for minutes"
  ["scripts/fuzz 3600 gas_file"]="builds the fuzz targets with clang and fuzzes for an hour"
  ['"$PWD/build-fuzz/fuzz_gas_file" -jobs=4 -max_total_time=3600 -artifact_prefix="$PWD/build-fuzz/crashes/gas_file-" "$PWD/build-fuzz/found/gas_file" "$PWD/fuzz/corpus/gas_file"']="needs the fuzz build and fuzzes for an hour"
)

documents=("$source_dir/README.md")
for document in "$source_dir"/docs/*.md; do documents+=("$document"); done

# FILE:LINE, a tab and the command, for every command line of the documents.
commands() {
  awk '
    function emit(text) {
      if (pending != "") {
        sub(/^[ \t]+/, "", text)
        text = pending " " text
      } else {
        where = FILENAME ":" FNR
      }
      if (text ~ /\\$/) {
        sub(/[ \t]*\\$/, "", text)
        pending = text
        return
      }
      pending = ""
      print where "\t" text
    }
    FNR == 1 { fence = 0; previous = "blank"; pending = "" }
    fence {
      if ($0 ~ /^ {0,3}(```|~~~)/) { fence = 0; previous = "text"; next }
      if (shell) emit($0)
      next
    }
    /^ {0,3}(```|~~~)/ {
      info = $0
      sub(/^ *(```|~~~)[ \t]*/, "", info)
      fence = 1
      shell = info ~ /^(sh|bash|shell)([ \t]|$)/
      next
    }
    /^    / && (previous == "blank" || previous == "code") {
      emit(substr($0, 5))
      previous = "code"
      next
    }
    /^[ \t]*$/ { previous = "blank"; next }
    { previous = "text" }
  ' "${documents[@]}"
}

# GitHub's anchor of a heading: lower case, punctuation but "-" and "_"
# left out, blanks as "-".
anchor_of() {
  printf '%s' "$1" | sed -E 's/^#+[ \t]*//' | tr 'A-Z' 'a-z' |
    sed -E "s/[][!\"#\$%&'()*+,./:;<=>?@\\\\^\`{|}~]//g; s/ /-/g"
}

failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

# ---- Links -----------------------------------------------------------------

for document in "${documents[@]}"; do
  here=$(dirname "$document")
  while IFS= read -r link; do
    target=${link%%#*}
    anchor=
    [[ $link == *"#"* ]] && anchor=${link#*#}
    file=$document
    [[ -n $target ]] && file=$here/$target
    if [[ ! -e $file ]]; then
      fail "${document#"$source_dir"/}: the link ($link) leads to no file"
      continue
    fi
    if [[ -n $anchor ]]; then
      found=0
      while IFS= read -r heading; do
        [[ $(anchor_of "$heading") == "$anchor" ]] && found=1
      done < <(awk '/^ {0,3}(```|~~~)/ { fence = !fence; next } !fence && /^#/' "$file")
      [[ $found == 1 ]] || fail "${document#"$source_dir"/}: no heading of $target has the anchor #$anchor"
    fi
  done < <(grep -o '\]([^)]*)' "$document" | sed -E 's/^\]\(//; s/\)$//' |
    grep -Ev '^(https?|mailto):')
done

# ---- Commands --------------------------------------------------------------

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tree=$work/tree
mkdir -p "$tree/build" "$tree/fuzz"
cp -r "$source_dir/README.md" "$source_dir/docs" "$source_dir/sample" "$source_dir/scripts" "$source_dir/examples" \
  "$tree/"
cp -r "$source_dir/fuzz/corpus" "$tree/fuzz/"
printf '#!/bin/sh\n# The programs are built already.\n' >"$tree/scripts/build"
for file in "$program_dir"/*; do
  [[ -f $file ]] && ln -s "$file" "$tree/build/"
done

declare -A seen=()
count=0
while IFS=$'\t' read -r where command; do
  shown=$(printf '%s' "$command" | sed -E 's/[ \t]+#.*$//')
  expected=0
  if [[ $command =~ [[:space:]]#.*status[[:space:]]+([0-9]+) ]]; then
    expected=${BASH_REMATCH[1]}
  fi
  where=${where#"$source_dir"/}
  if [[ -n ${skipped[$shown]+set} ]]; then
    seen[$shown]=1
    echo "skipped  $where: $shown (${skipped[$shown]})"
    continue
  fi
  count=$((count + 1))
  log=$work/command-$count.log
  start=$EPOCHREALTIME
  (cd "$tree" && env -u DISPLAY -u WAYLAND_DISPLAY timeout 120 bash -c "$command") \
    </dev/null >"$log" 2>&1
  status=$?
  seconds=$(awk -v from="$start" -v to="$EPOCHREALTIME" 'BEGIN { print to - from }')
  if [[ $status == "$expected" ]]; then
    printf 'ok %5.1fs %s: %s (status %s)\n' "$seconds" "$where" "$shown" "$status"
  else
    fail "$where: $shown: status $status, the text says $expected; its output:"
    tail -n 20 "$log" | sed 's/^/    /'
  fi
done < <(commands)

for command in "${!skipped[@]}"; do
  [[ -n ${seen[$command]+set} ]] || fail "skipped, but no document shows it: $command"
done
[[ $count -gt 0 ]] || fail "no command found"

echo "$count commands run, ${#seen[@]} skipped, $failures failed"
[[ $failures == 0 ]]
