#!/usr/bin/env bash
# Runs the halvora binary given as $1 the way a user does and checks output and exit codes.
set -u
halvora="$1"
examples="$2"
failures=0

expect() {
  local name="$1" expected="$2" actual="$3"
  if [ "$expected" != "$actual" ]; then
    printf 'FAIL %s\n  expected: %q\n  actual:   %q\n' "$name" "$expected" "$actual"
    failures=$((failures + 1))
  fi
}

expect telex "Tiếng Việt đây là người" "$("$halvora" compose "Tieengs Vieetj ddaay laf nguowif")"
expect vni "Tiếng Việt" "$("$halvora" compose --vni "Tie61ng Vie65t")"
expect old-tone "hòa" "$("$halvora" compose --old-tone hoaf)"
expect joined-arguments "xin chào bạn" "$("$halvora" compose xin chaof banj)"
expect stdin "$(printf 'Việt Nam\nxin chào')" "$(printf 'Vieetj Nam\nxin chaof' | "$halvora" compose)"
expect trace "$(printf 'mwois\tmwói\tmwois\t0\tmới')" "$("$halvora" compose --trace mwois)"
expect double-dash "-- tôi" "$("$halvora" compose -- -- tooi)"

"$halvora" compose --bogus >/dev/null 2>&1
expect unknown-option-status 2 "$?"
"$halvora" frobnicate >/dev/null 2>&1
expect unknown-command-status 2 "$?"
"$halvora" compose --help | grep -q -- '--old-tone'
expect help-mentions-options 0 "$?"

# simulate: the example scripts run as documented, against a copy of the example data.
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
cp -r "$examples/data/." "$data/"
for script in chat-vietnamese snippet-code quick-reply; do
  "$halvora" simulate --data "$data" "$examples/$script.txt" >/dev/null 2>&1
  expect "example-$script" 0 "$?"
done
expect simulate-final-line "field: Dạ chị Lan ơi, đơn HD0042 của mình đã được gửi đi rồi ạ." \
  "$("$halvora" simulate --data "$data" "$examples/quick-reply.txt" | tail -n 1)"
err=$(printf 'type abc\nfrobnicate\n' | "$halvora" simulate 2>&1 >/dev/null)
expect simulate-malformed-status 2 "$(printf 'type abc\nfrobnicate\n' | "$halvora" simulate >/dev/null 2>&1; echo $?)"
case "$err" in *"line 2"*) ;; *) expect simulate-malformed-line "line 2" "$err" ;; esac
expect simulate-expect-status 1 "$(printf 'type xin chaof\nexpect xin chao\n' | "$halvora" simulate >/dev/null 2>&1; echo $?)"
expect simulate-vni "field: Việt" "$(printf 'type Vie65t\n' | "$halvora" simulate --vni)"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
