#!/usr/bin/env bash
# Runs the real mkstrings and mkserver programs once each way: help, wrong usage, success, refusal.
# Arguments: MKSTRINGS MKSERVER EXAMPLES_DIR
set -u
mkstrings=$1 mkserver=$2 examples=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0

expect() {  # expect NAME CODE COMMAND...
  local name=$1 code=$2
  shift 2
  "$@" >"$work/out" 2>"$work/err"
  local got=$?
  if [ "$got" -eq "$code" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $name: exit $got, expected $code"
    cat "$work/out" "$work/err"
  fi
}

check() {  # check NAME CONDITION...
  if "${@:2}"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $1"; fi
}

expect "mkstrings --help" 0 "$mkstrings" --help
check "mkstrings help text" grep -q "mkstrings compile SOURCE" "$work/out"
expect "mkstrings no arguments" 2 "$mkstrings"
expect "mkstrings compile without -o" 2 "$mkstrings" compile "$examples/strings.txt"
expect "mkstrings compile" 0 "$mkstrings" compile "$examples/strings.txt" -o "$work/Update.Str"
check "Update.Str starts with STR" [ "$(head -c 3 "$work/Update.Str")" = "STR" ]
expect "mkstrings dump to file" 0 "$mkstrings" dump "$work/Update.Str" -o "$work/dump.txt"
expect "mkstrings dump to stdout" 0 "$mkstrings" dump "$work/Update.Str"
check "dump on stdout equals dump file" cmp -s "$work/out" "$work/dump.txt"
expect "mkstrings compile the dump" 0 "$mkstrings" compile "$work/dump.txt" -o "$work/Update2.Str"
check "round trip gives the same image" cmp -s "$work/Update.Str" "$work/Update2.Str"
sed 's/^LS_FMT_SECONDS = .*/LS_FMT_SECONDS = %s/' "$examples/strings.txt" >"$work/bad.txt"
cp "$work/Update.Str" "$work/keep.Str"
expect "mkstrings refuses a bad format" 1 "$mkstrings" compile "$work/bad.txt" -o "$work/Update.Str"
check "refusal names the string" grep -q "LS_FMT_SECONDS" "$work/err"
check "refused compile leaves the old output" cmp -s "$work/Update.Str" "$work/keep.Str"
check "no temporary file left" [ -z "$(ls "$work" | grep '\.part$')" ]
expect "mkstrings dump of a non-string file" 1 "$mkstrings" dump "$examples/strings.txt"

expect "mkserver --help" 0 "$mkserver" --help
check "mkserver help text" grep -q "mkserver build --release" "$work/out"
expect "mkserver no arguments" 2 "$mkserver"
expect "mkserver build without --out" 2 "$mkserver" build --release "$examples/demo/new" --manifest "$examples/demo/manifest.ini"
expect "mkserver build" 0 "$mkserver" build --release "$examples/demo/new" --manifest "$examples/demo/manifest.ini" --out "$work/srv"
check "six server files" [ "$(ls "$work/srv" | wc -l)" -eq 6 ]
expect "mkserver --check" 0 "$mkserver" --check "$work/srv"
expect "mkserver --check --ext" 0 "$mkserver" --check "$work/srv" --ext .z
expect "mkserver --check wrong ext" 1 "$mkserver" --check "$work/srv" --ext .y
printf 'x' | dd of="$work/srv/3.z" bs=1 seek=10 conv=notrunc status=none
expect "mkserver --check damaged file" 1 "$mkserver" --check "$work/srv"
check "fault names the file" grep -q "^fault: 3.z" "$work/out"
sed 's/^VER=1.1.0$/VER = 1.1.0/' "$examples/demo/manifest.ini" >"$work/bad.ini"
expect "mkserver refuses blanks around =" 1 "$mkserver" build --release "$examples/demo/new" --manifest "$work/bad.ini" --out "$work/srv2"
check "refusal says why" grep -q 'blank around "="' "$work/err"
check "refused build writes nothing" [ ! -e "$work/srv2" ]

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
