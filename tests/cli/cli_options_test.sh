#!/usr/bin/env bash
# The command line's conventions: --help and --version on every command,
# --opt=value, - for standard input and output, exit status 1 when the output
# cannot be written.
set -u
halvora="$1"
testbed="${2:-}"
failures=0
expect() {
  if [ "$2" != "$3" ]; then
    printf 'FAIL %s\n  expected: %q\n  actual:   %q\n' "$1" "$2" "$3"
    failures=$((failures + 1))
  fi
}
status() { "$@" >/dev/null 2>&1; echo $?; }

for command in "" compose simulate config backup qr doctor; do
  expect "help $command" 0 "$(status "$halvora" $command --help)"
  expect "version $command" 0 "$(status "$halvora" $command --version)"
  expect "help to a full disk $command" 1 "$(status sh -c "'$halvora' $command --help >/dev/full")"
done
expect version-text "halvora 0.1.0" "$("$halvora" --version | sed 's/[0-9][0-9.]*$/0.1.0/')"
"$halvora" --help | grep -q 'Exit status:'
expect help-documents-exit-status 0 "$?"
expect compose-to-full-disk 1 "$(status sh -c "'$halvora' compose xin >/dev/full")"
expect no-command 2 "$(status "$halvora")"
expect compose-dash-is-stdin "xin chào" "$(echo 'xin chaof' | "$halvora" compose -)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
expect config-equals 0 "$(status "$halvora" config --config="$work/c" set --int k 5)"
expect config-equals-get 5 "$("$halvora" config --config="$work/c" get k)"
expect simulate-script-stdin "field: Việt" "$(printf 'type Vieetj\n' | "$halvora" simulate --data="$work/d" -)"

# An archive through standard output and back through standard input.
mkdir -p "$work/d"
printf 'type xin\n' | "$halvora" simulate --data "$work/d" >/dev/null
"$halvora" backup export - --data="$work/d" --config="$work/c" >"$work/a.json" 2>"$work/err"
expect backup-export-stdout 0 "$?"
expect backup-no-file-named-dash 1 "$([ -e ./- ] && echo 0 || echo 1)"
"$halvora" backup inspect - --config "$work/c" <"$work/a.json" | grep -q '^Bản sao lưu có '
expect backup-inspect-stdin 0 "$?"
expect backup-bad-action 2 "$(status "$halvora" backup copy x.json)"

# Images are checked on several threads at once, and the program must still
# end cleanly: Qt's image plugins must not belong to a thread that is gone.
mkdir -p "$work/pictured"
pixel='iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk+M9QDwADhgGAWjR9awAAAABJRU5ErkJggg=='
snippets=""
for n in 1 2 3 4; do
  id="00000000-0000-4000-8000-00000000000$n"
  printf '%s' "$pixel" | base64 -d >"$work/pictured/$id.png"
  snippets="$snippets${snippets:+,}{\"id\":\"$id\",\"trigger\":\";p$n\",\"title\":\"Ảnh $n\",\"text\":\"\",\"imageFilename\":\"$id.png\"}"
done
printf '[%s]' "$snippets" >"$work/pictured/snippets.json"
expect backup-export-images 0 \
  "$(status "$halvora" backup export "$work/p.json" --data "$work/pictured" --config "$work/c")"
ended=0
for _ in 1 2 3 4 5 6; do
  [ "$(status "$halvora" backup inspect "$work/p.json")" = 0 ] && ended=$((ended + 1))
done
expect backup-inspect-images-ends-cleanly 6 "$ended"

# qr runs on the adapters the program loads on first use; the PNG to standard output.
if [ -n "$testbed" ]; then
  "$testbed" >"$work/testbed.out" 2>&1 &
  testbed_pid=$!
  for _ in $(seq 50); do grep -q http "$work/testbed.out" && break; sleep 0.1; done
  url=$(grep -o 'http://[0-9.:]*' "$work/testbed.out" | head -n 1)
  for setting in "qr.directoryURL $url" "qr.imageURL $url" "qr.bankID 970436" \
                 "qr.accountNumber 0123456789" "qr.accountName Nguyen"; do
    "$halvora" config --config "$work/q" set $setting
  done
  "$halvora" qr --config "$work/q" --out=- --memo "cam on" >"$work/qr.png" 2>"$work/qr.err"
  expect qr-status 0 "$?"
  expect qr-png-on-stdout "89504e47" "$(head -c 4 "$work/qr.png" | od -An -tx1 | tr -d ' \n')"
  grep -q '^memo: CAM ON$' "$work/qr.err"
  expect qr-report-on-stderr 0 "$?"
  kill "$testbed_pid"
  wait "$testbed_pid" 2>/dev/null
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
