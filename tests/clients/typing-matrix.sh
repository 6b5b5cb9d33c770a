#!/usr/bin/env bash
# Types the cases of cases.txt into real GUI clients through the whole
# Linux chain (Xvfb, fcitx5 with the Halvora addon or IBus with the Halvora
# engine, halvora-desktop) with
# xdotool, at every pace, and compares what each field holds afterwards with
# what `halvora simulate` gives for the same keys in the same program.
#
#   tests/clients/typing-matrix.sh BUILD_DIR
#
# Clients: chromium and firefox (the composer, text area and suggestion-list
# input of page.html), gtk (halvora-client-gtk: entry, text view), qt
# (halvora-client-qt: multi-line field). HALVORA_CLIENTS="qt gtk" picks some,
# HALVORA_FRAMEWORK=ibus goes through IBus instead of fcitx5,
# HALVORA_PACES="80 5" the xdotool delays in ms, HALVORA_CASES a regular
# expression of case names, HALVORA_MATRIX_RETRIES how many times a failed
# cell is typed again (default 1; it is reported with its first failure),
# HALVORA_MATRIX_NAME names the report apart from other runs,
# HALVORA_MATRIX_KEEP=1 keeps the logs of the last chain (fcitx5,
# halvora-desktop, the client), HALVORA_SESSION=wayland runs a headless sway
# instead of Xvfb and types through its virtual keyboard and pointer
# (tests/clients/wayland.sh; fcitx5 only). Prints the matrix (also written to
# BUILD_DIR/tests/clients/typing-matrix*.md) and exits 1 on any mismatch,
# 77 when nothing failed but a client or a tool is not installed (its cells
# are "skipped"), 0 when every cell passed.
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="$(cd "${1:?usage: typing-matrix.sh BUILD_DIR}" && pwd)"
clients="${HALVORA_CLIENTS:-chromium firefox gtk qt}"
paces="${HALVORA_PACES:-80 5}"
case_filter="${HALVORA_CASES:-.}"
simulate="$build/src/cli/halvora"
session="${HALVORA_SESSION:-x11}"
report="$build/tests/clients/typing-matrix${HALVORA_FRAMEWORK:+-$HALVORA_FRAMEWORK}${HALVORA_SESSION:+-$HALVORA_SESSION}${HALVORA_MATRIX_NAME:+-$HALVORA_MATRIX_NAME}.md"

framework="${HALVORA_FRAMEWORK:-fcitx5}"
if [ "$session" = wayland ]; then
  [ "$framework" = fcitx5 ] || { echo "the Wayland session runs through fcitx5 only"; exit 2; }
  session_tools="sway swaymsg"
  [ -x "$build/tests/clients/halvora-wayland-input" ] || { echo "SKIP: halvora-wayland-input is not built"; exit 77; }
  # sway refuses to run as root; the chain then runs it in a user namespace,
  # which a chroot, for one, does not allow.
  if [ "$(id -u)" = 0 ] && ! unshare --user --map-user=1000 --map-group=1000 true 2>/dev/null; then
    echo "SKIP: sway does not run as root, and no user namespace can be made here to run it in"
    exit 77
  fi
elif [ "$session" = gnome ]; then
  # GNOME on Wayland talks to IBus only, through its own input method.
  [ "$framework" = ibus ] || { echo "the GNOME session runs through IBus only"; exit 2; }
  session_tools="gnome-shell gdbus"
else
  session_tools="Xvfb openbox xdotool xdpyinfo xprop"
fi
for tool in $session_tools dbus-daemon dbus-send jq \
  "$([ "$framework" = ibus ] && echo ibus-daemon || echo fcitx5)"; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
for built in "$simulate" "$build/src/desktop/halvora-desktop"; do
  [ -x "$built" ] || { echo "SKIP: $built is not built"; exit 77; }
done

work="$(mktemp -d)"
source "$here/chain.sh"
cleanup() {
  chain_stop
  if [ -n "${HALVORA_MATRIX_KEEP:-}" ]; then echo "logs kept in $work" >&2; else rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# ---------------------------------------------------------------- the cases
case_names=() case_kinds=() case_steps=()
while IFS= read -r line || [ -n "$line" ]; do
  case "$line" in
    '' | '#'*) continue ;;
    'case '*)
      read -r _ name kind <<<"$line"
      case_names+=("$name") case_kinds+=("$kind") case_steps+=("")
      ;;
    *) case_steps[${#case_steps[@]} - 1]+="$line"$'\n' ;;
  esac
done <"$here/cases.txt"

# The simulated desktop reads pictures in its own stand-in format: its copy
# of the snippet folder gets one in place of the real picture.
mkdir -p "$work/sim-data"
sim_data_template="$work/sim-data-template"
cp -r "$here/data" "$sim_data_template"
# It begins with PNG's signature: a picture whose bytes are not of its
# declared type is not pasted.
for picture in "$sim_data_template"/*.png; do printf '\x89PNG\r\n\x1a\nSIM-PNG 32 32\npicture' >"$picture"; done

# xdotool key names as the simulated keyboard spells them.
sim_key() {
  local name modifiers="" part
  IFS=+ read -ra parts <<<"$1"
  name="${parts[-1]}"
  for part in "${parts[@]:0:${#parts[@]}-1}"; do
    case "$part" in
      alt) modifiers+=" +option" ;; super) modifiers+=" +command" ;;
      ctrl) modifiers+=" +control" ;; shift) modifiers+=" +shift" ;;
    esac
  done
  case "$name" in
    BackSpace) name=backspace ;; Return) name=return ;; Escape) name=escape ;;
    Tab) name=tab ;; Left) name=left ;; Right) name=right ;; Home) name=home ;; End) name=end ;;
    semicolon) name=';' ;; space) name=space ;;
  esac
  echo "key $name$modifiers"
}

# Runs a simulate script for application $1 and prints one JSON object:
# the field's text, the texts printed before each Return, and whether the
# last paste left an image alone on the pasteboard (the second step of a
# text-and-image paste).
run_simulate() {
  local app="$1" script="$2" out
  rm -rf "$work/sim-data" && cp -r "$sim_data_template" "$work/sim-data"
  out="$(printf 'app %s\n%sclipboard\n' "$app" "$script" |
    "$simulate" simulate --data "$work/sim-data" 2>&1)" || { jq -cn --arg e "$out" '{error: $e}'; return; }
  # Field texts are printed on one line, line breaks as \n; the lines that
  # are not the tool's own reports are the prints.
  jq -cn --arg out "$out" '
    def unline: gsub("\\\\n"; "\n");
    ($out | split("\n") | map(select(. != ""))) as $lines
    | { text: ($lines | map(select(startswith("field: "))) | last | .[7:] | unline),
        prints: [$lines[] | select(test("^(field|clipboard|alert): ") | not) | unline],
        image: ($lines | map(select(startswith("clipboard: "))) | last
                | test("^clipboard: (image|png|tiff)(, (image|png|tiff))* \\|")) }'
}

# What a field holds after the keys, given the simulated result and what
# Return does there: "newline" (multi-line fields), "ignore" (one-line
# fields), "send" (the composer sends its text and empties). The simulated
# field breaks the line at each Return; the text before each is printed.
expected_state() {
  jq -c --arg enter "$2" '
    if .error then . else
    . as $s
    | (reduce $s.prints[] as $p ({ok: true, prefix: "", segs: []};
        .prefix as $q
        | if ($p | startswith($q)) then .segs += [$p[($q | length):]] | .prefix = $p + "\n"
          else .ok = false end)) as $r
    | if ($r.ok | not) or ($s.text | startswith($r.prefix) | not) then
        {error: "a Return did not break the line at the end of the text"}
      else
        ($s.text[($r.prefix | length):]) as $tail
        | {images: (if $s.image then 1 else 0 end)} +
          (if $enter == "newline" then {text: $s.text, sent: []}
           elif $enter == "ignore" then {text: (($r.segs | join("")) + $tail), sent: []}
           else {text: $tail, sent: $r.segs} end)
      end
    end' <<<"$1"
}

# ---------------------------------------------------------------- a client
# state: the client's current state as one JSON object, or nothing.
state_file="$work/state.json"
window=""
client_state() {
  if [ "$state_kind" = file ]; then
    cat "$state_file" 2>/dev/null
  else
    # The page shows a long state a part at a time: the parts of one
    # version are gathered.
    local name version="" count=0 got=0 _
    local -a parts=()
    for _ in $(seq 100); do
      name="$(session_window_name "$window")"
      if [[ "$name" =~ ^HVS([0-9]+)\.([0-9]+)\.([0-9]+):(.*)$ ]]; then
        if [ "${BASH_REMATCH[1]}" != "$version" ]; then
          version="${BASH_REMATCH[1]}" count="${BASH_REMATCH[3]}" got=0 parts=()
        fi
        if [ -z "${parts[${BASH_REMATCH[2]}]+x}" ]; then
          parts[${BASH_REMATCH[2]}]="${BASH_REMATCH[4]% — Mozilla Firefox}"
          got=$((got + 1))
        fi
        [ "$got" -lt "$count" ] || { printf '%s' "${parts[@]}"; return; }
      fi
      sleep 0.01
    done
  fi
}

# Polls the client's state until it has stayed the same for 0.7 s (at most
# 15 s) and prints it.
settle() {
  local last="" now stable_since="" deadline=$((SECONDS + 15)) t
  while [ "$SECONDS" -lt "$deadline" ]; do
    now="$(client_state)"
    t="$(date +%s%N)"
    if [ -n "$now" ] && [ "$now" = "$last" ]; then
      [ $((t - stable_since)) -ge 700000000 ] && break
    else
      stable_since="$t"
    fi
    last="$now"
    sleep 0.1
  done
  printf '%s' "$last"
}

# Polls until the jq condition $1 holds for the state (at most $2 tenths of
# a second).
await_state() {
  local _
  for _ in $(seq "${2:-100}"); do
    client_state | jq -e "$1" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

# ------------------------------------------------- the session (X11 here;
# tests/clients/wayland.sh replaces these under Wayland)
session_type() { xdotool type --delay "$1" -- "$2"; }
session_key() { xdotool key --delay "$1" "$2"; }
session_window_name() { xdotool getwindowname "$1" 2>/dev/null; }
session_focused_window() { xdotool getwindowfocus 2>/dev/null; }
# The first visible window whose name matches the regular expression.
session_find_window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }
session_activate() { timeout 3 xdotool windowactivate --sync "$1" 2>/dev/null; }
# The window's place and size: "X Y WIDTH HEIGHT".
session_geometry() {
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1")"
  echo "$X $Y $WIDTH $HEIGHT"
}

# A point of the state in screen coordinates (the page reports its own
# coordinates and the screen offset of the last mouse event).
screen_point() {
  jq -r "($1) as \$p | (.off // [0, 0]) as \$o | \"\(\$p[0] + \$o[0]) \(\$p[1] + \$o[1])\"" <<<"$2"
}

# xdotool's "mousemove --sync" waits for the pointer to move, forever when it
# is already there (a second click into the same field).
click_at() {
  local X Y SCREEN WINDOW
  eval "$(xdotool getmouselocation --shell 2>/dev/null)"
  if [ "${X:-} ${Y:-}" = "$1" ]; then
    xdotool click 1
  else
    timeout 5 xdotool mousemove --sync $1 click 1 || xdotool click 1
  fi
}

# Brings the client's window to the front, as the user would before typing
# (a case may have left halvora-desktop's workspace window in front).
give_focus() {
  [ "$(xdotool getactivewindow 2>/dev/null)" = "$window" ] || session_activate "$window"
}

# Closes what halvora-desktop left open at the end of a case (a prompt, an
# alert: its windows take the focus and are named "… — Halvora Independent
# Beta", unlike the workspace window) and names each on fd 4.
close_panels() {
  local panel name key _
  for _ in 1 2 3; do
    panel="$(session_focused_window)"
    name="$(session_window_name "$panel")"
    [[ "$name" == *" Halvora Independent Beta" ]] || return 0
    echo "left open: ${name% — Halvora Independent Beta}" >&4
    # Escape cancels a prompt; an alert takes its first button.
    case "$name" in *'Xac nhan TL'*) key=Escape ;; *) key=Return ;; esac
    session_key 12 "$key" 2>/dev/null
    sleep 0.5
  done
}

# Empties every field and clicks into FIELD, so that a case starts fresh.
reset_into() {
  local field="$1" state resets
  # An alert can come up after its case settled (a paste that kept failing).
  close_panels 4> >(sed 's/^/before this case: /' >&4)
  kill -0 "$chain_wm" 2>/dev/null || { echo "the window manager is gone" >&4; return 1; }
  give_focus
  state="$(client_state)"
  resets="$(jq '.resets' <<<"$state")"
  click_at "$(screen_point .clear "$state")"
  await_state ".resets > $resets" 50 || { echo "the Clear button did not answer (focus: $(session_window_name "$(session_focused_window)"))" >&4; return 1; }
  click_at "$(screen_point "$field_point" "$(client_state)")"
  if [ "$state_kind" = title ]; then
    await_state ".field == \"$field\"" 50 || { echo "a click did not focus the $field" >&4; return 1; }
  fi
  settle >/dev/null
}

# Types the keys of a case at PACE into FIELD, prints the simulate script
# of the same keys on fd 3 and notes about the run on fd 4.
type_case() {
  local steps="$1" pace="$2" line arg state
  while IFS= read -r line; do
    arg="${line#* }"
    case "$line" in
      'type '*)
        session_type "$pace" "$arg"
        echo "type $arg" >&3
        ;;
      'key '*)
        session_key "$pace" "$arg"
        sim_key "$arg" >&3
        ;;
      wait)
        settle >/dev/null
        echo "wait 1000" >&3
        ;;
      'click '*)
        state="$(settle)"
        local length index caret
        length="$(jq '.text | length' <<<"$state")"
        index=$((arg < 0 ? length + arg : arg))
        click_at "$(screen_point ".marks[$index]" "$state")"
        state="$(settle)"
        caret="$(jq '.caret' <<<"$state")"
        [ "$caret" = "$index" ] || echo "the click landed at $caret, not $index" >&4
        echo "click" >&3
        for _ in $(seq $((length - caret))); do echo "key left" >&3; done
        ;;
      'prompt '*)
        local name="${arg%%=*}" value="${arg#*=}" prompt=""
        for _ in $(seq 50); do
          prompt="$(session_find_window 'Xac nhan TL')"
          [ -n "$prompt" ] && break
          sleep 0.1
        done
        if [ -z "$prompt" ]; then
          echo "no prompt window appeared" >&4
        else
          # The prompt focuses its field itself once shown.
          for _ in $(seq 30); do [ "$(session_focused_window)" = "$prompt" ] && break; sleep 0.1; done
          sleep 0.3
          session_type "$pace" "$value"
          session_key "$pace" Return
          # The window manager gives the focus back when the prompt closes.
          for _ in $(seq 50); do
            [ -n "$(session_find_window 'Xac nhan TL')" ] || break
            sleep 0.1
          done
        fi
        printf 'wait 100\nprompt fill %s="%s"\nprompt submit\nwait 1000\n' "$name" "$value" >&3
        ;;
    esac
  done <<<"$steps"
}

# Simulate prints the field before each Return, so that what Return does in
# each kind of field can be derived from one run.
with_prints() { sed 's/^key return$/print\nkey return/'; }

results=()  # "target|case|pace|status|detail"
record() { results+=("$1|$2|$3|$4|$5"); }

# One cell: the case typed into the field once, its result recorded.
run_cell() {
  local target="$1" field="$2" enter="$3" app="$4" i="$5" pace="$6" name="${case_names[$5]}"
  if ! reset_into "$field" 4>"$work/notes"; then
    record "$target" "$name" "$pace" fail "harness: could not empty the field and click into it: $(cat "$work/notes")"
    return
  fi
  local script notes observed expected sim
  script="$(type_case "${case_steps[$i]}" "$pace" 3>&1 4>>"$work/notes" >/dev/null)"
  observed="$(settle | jq -c '{text, sent: (.sent // []), images}')"
  close_panels 4>>"$work/notes"
  notes="$(paste -sd ';' "$work/notes")"
  sim="$(run_simulate "$app" "$(with_prints <<<"$script")"$'\n')"
  expected="$(expected_state "$sim" "$enter")"
  if jq -e '.error' >/dev/null <<<"$expected"; then
    record "$target" "$name" "$pace" fail "no expectation: $(jq -r .error <<<"$expected")"
  elif [ "$(jq -S . <<<"$observed")" = "$(jq -S . <<<"$expected")" ]; then
    record "$target" "$name" "$pace" ok "$notes"
  else
    record "$target" "$name" "$pace" fail "expected $expected, got $observed${notes:+ ($notes)}"
  fi
}

# A cell that fails is typed once more (HALVORA_MATRIX_RETRIES, default 1):
# it passes only if the second try lands exactly, and the first failure
# stays in the report beside it, so that a rare loss is still seen.
run_cases_in() {
  local target="$1" field="$2" enter="$3" app="$4" kind="$5" pace i attempt first status detail
  for pace in $paces; do
    for i in "${!case_names[@]}"; do
      local name="${case_names[$i]}"
      [[ "$name" =~ $case_filter ]] || continue
      [ "$kind" = main ] || [ "${case_kinds[$i]}" = all ] || continue
      first=""
      for attempt in $(seq $((1 + ${HALVORA_MATRIX_RETRIES:-1}))); do
        run_cell "$target" "$field" "$enter" "$app" "$i" "$pace"
        local last="${results[-1]}"
        IFS='|' read -r _ _ _ status detail <<<"$last"
        [ "$status" = fail ] || break
        [ -n "$first" ] || first="$detail"
        # Not the last try: the failure is kept as a note of the next.
        if [ "$attempt" -le "${HALVORA_MATRIX_RETRIES:-1}" ]; then
          unset 'results[-1]'
          printf '%-18s %-12s %3s ms  failed, typed once more: %s\n' "$target" "$name" "$pace" "$detail" >&2
        fi
      done
      if [ -n "$first" ] && [ "$status" = ok ]; then
        results[-1]="$target|$name|$pace|ok|on the second try; the first: $first"
      fi
      last="${results[-1]}"
      printf '%-18s %-12s %3s ms  %s\n' "$target" "$name" "$pace" "${last#*|*|*|}" >&2
    done
  done
}

# Waits until the framework has a focused input context of PROGRAM (at most
# $2 tenths of a second).
await_input_context() {
  local _
  for _ in $(seq "${2:-100}"); do
    chain_has_focused_context "$1" && return 0
    sleep 0.1
  done
  return 1
}

# The whole chain composes once the desktop has seen the addon attach: a
# probe word is typed until it comes out composed as simulate composes it
# (at most about 15 s; a client that never composes is still tested, and
# its cells show how).
probe() {
  local field="$1" app="$2" want got="" _
  want="$(run_simulate "$app" $'type aa \n' | jq -r .text)"
  for _ in $(seq 8); do
    reset_into "$field" 4>/dev/null || continue
    session_type 80 "aa "
    got="$(settle | jq -r .text)"
    [ "$got" = "$want" ] && return 0
    sleep 1
  done
  echo "  the probe \"aa \" gave \"$got\", not \"$want\"" >&2
  return 1
}

skipped=()
start_client() {
  local client="$1" log="$work/$client.log"
  state_kind=file
  case "$client" in
    qt)
      env "${qt_client_env[@]}" "$build/tests/clients/halvora-client-qt" "$state_file" >"$log" 2>&1 &
      chain_pids+=($!)
      window_name='^Halvora client Qt$' program=halvora-client-qt
      ;;
    gtk | gtk-textview)
      "$build/tests/clients/halvora-client-gtk" $([ "$client" = gtk ] || echo --textview) "$state_file" >"$log" 2>&1 &
      chain_pids+=($!)
      window_name='^Halvora client GTK$' program=halvora-client-gtk
      ;;
    chromium)
      state_kind=title
      chromium --no-sandbox --test-type --no-first-run --disable-gpu \
        --disable-background-networking --disable-component-update --disable-sync --disable-quic \
        --disable-background-timer-throttling --disable-renderer-backgrounding \
        --disable-backgrounding-occluded-windows \
        --user-data-dir="$work/chromium" --window-position=0,0 --window-size=900,560 \
        "${chromium_session_flags[@]}" \
        --app="file://$here/page.html" >"$log" 2>&1 &
      chain_pids+=($!)
      window_name='^HVS' program=chromium
      ;;
    firefox)
      state_kind=title
      mkdir -p "$work/firefox"
      cat >"$work/firefox/user.js" <<'PREFS'
user_pref("browser.shell.checkDefaultBrowser", false);
user_pref("browser.startup.homepage_override.mstone", "ignore");
user_pref("startup.homepage_welcome_url", "");
user_pref("startup.homepage_welcome_url.additional", "");
user_pref("browser.aboutwelcome.enabled", false);
user_pref("trailhead.firstrun.didSeeAboutWelcome", true);
user_pref("datareporting.policy.dataSubmissionEnabled", false);
user_pref("datareporting.healthreport.uploadEnabled", false);
user_pref("toolkit.telemetry.enabled", false);
user_pref("toolkit.telemetry.reportingpolicy.firstRun", false);
user_pref("app.update.enabled", false);
user_pref("app.update.auto", false);
user_pref("extensions.update.enabled", false);
user_pref("app.normandy.enabled", false);
user_pref("browser.safebrowsing.malware.enabled", false);
user_pref("browser.safebrowsing.phishing.enabled", false);
user_pref("network.captive-portal-service.enabled", false);
user_pref("network.connectivity-service.enabled", false);
user_pref("browser.tabs.warnOnClose", false);
user_pref("dom.disable_beforeunload", true);
PREFS
      MOZ_ENABLE_WAYLAND="$firefox_wayland" firefox-esr -profile "$work/firefox" -no-remote "${firefox_session_flags[@]}" \
        "file://$here/page.html" >"$log" 2>&1 &
      chain_pids+=($!)
      window_name='^HVS' program=firefox-esr
      ;;
  esac
  window=""
  # A browser's first start in a fresh root builds its profile and font
  # caches first: Firefox has taken over 30 s there.
  for _ in $(seq 1200); do
    window="$(session_find_window "$window_name")"
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || { echo "  no window of $client appeared" >&2; return 1; }
  give_focus
  if [ "$state_kind" = title ]; then
    # The page's coordinates become screen coordinates with the first click
    # it gets. A click while the compositor still lays the new window out
    # can miss it: the click is repeated, with the window's geometry anew.
    local X Y WIDTH HEIGHT loaded=0
    for _ in $(seq 15); do
      read -r X Y WIDTH HEIGHT <<<"$(session_geometry "$window")"
      click_at "$((X + WIDTH / 2)) $((Y + HEIGHT - 40))"
      await_state '.off != null' 10 && { loaded=1; break; }
      give_focus
    done
    [ "$loaded" = 1 ] || {
      echo "  the page did not load; its window: $(session_window_name "$window" | head -c 200)" >&2
      return 1
    }
    # A browser's input context has the focus while an editable element has.
    click_at "$(screen_point .points.composer "$(client_state)")"
  else
    await_state '.marks | length > 0' 100 || { echo "  the client wrote no state" >&2; return 1; }
  fi
  local _
  local point=.field
  [ "$state_kind" = file ] || point=.points.composer
  for _ in $(seq 20); do
    await_input_context "$program" 10 && return 0
    # As a user would: the window to the front, a click into the field.
    session_activate "$window"
    click_at "$(screen_point "$point" "$(client_state)")"
  done
  echo "  $framework has no focused input context of $program" >&2
  # What the framework and the client saw, for the report's reader.
  [ "$framework" = ibus ] || chain_input_contexts | sed 's/^/    /' >&2
  tail -n 5 "$work/$client.log" 2>/dev/null | sed 's/^/    client: /' >&2
  return 1
}

# The framework's modules for Qt 6 and GTK 3 clients.
if [ "$framework" = ibus ]; then
  qt_module=libqt6gui6 gtk_module=ibus-gtk3
else
  qt_module=fcitx5-frontend-qt6 gtk_module=fcitx5-frontend-gtk3
fi
installed() {
  case "$1" in
    qt) [ -x "$build/tests/clients/halvora-client-qt" ] && dpkg -s "$qt_module" >/dev/null 2>&1 ;;
    gtk) [ -x "$build/tests/clients/halvora-client-gtk" ] && dpkg -s "$gtk_module" >/dev/null 2>&1 ;;
    chromium) command -v chromium >/dev/null && dpkg -s "$gtk_module" >/dev/null 2>&1 ;;
    firefox) command -v firefox-esr >/dev/null && dpkg -s "$gtk_module" >/dev/null 2>&1 ;;
    *) return 1 ;;
  esac
}

# The programs of each client (the GTK program shows one field at a time).
variants_of() {
  case "$1" in gtk) echo gtk gtk-textview ;; *) echo "$1" ;; esac
}

# Each program's fields: target name, field, what Return does, the field's
# point in the state, the cases it gets.
fields_of() {
  case "$1" in
    qt) echo "qt-textedit textedit newline .field main" ;;
    gtk) echo "gtk-entry entry ignore .field main" ;;
    gtk-textview) echo "gtk-textview textview newline .field main" ;;
    chromium | firefox)
      echo "$1-composer composer send .points.composer main"
      echo "$1-textarea textarea newline .points.textarea all"
      echo "$1-input input ignore .points.input all"
      ;;
  esac
}

app_of() {
  case "$1" in
    chromium) echo org.chromium.Chromium ;; firefox) echo org.mozilla.firefox ;;
    qt) echo halvora-client-qt ;; gtk*) echo halvora-client-gtk ;;
  esac
}

# The session's own ways of typing, clicking and finding windows.
chromium_session_flags=() firefox_session_flags=(--kiosk) firefox_wayland=0 qt_client_env=()
[ "$session" = x11 ] || source "$here/wayland.sh"
[ "$session" != gnome ] || source "$here/gnome.sh"

started="$(date +%s)"
for client in $clients; do
  if ! installed "$client"; then
    echo "$client: not installed, skipped" >&2
    skipped+=("$client")
    for variant in $(variants_of "$client"); do
      while read -r target _; do record "$target" - - skipped "not installed"; done < <(fields_of "$variant")
    done
    continue
  fi
  for variant in $(variants_of "$client"); do
    echo "$variant: starting the chain" >&2
    # More tries on a loaded machine, where a program now and then does not
    # come up in time, and Qt 6's fcitx5 module now and then never says
    # that its window has the focus; a client that cannot start three
    # times fails.
    chain_up=0
    for attempt in 1 2 3; do
      [ "$attempt" = 1 ] || echo "$variant: the chain or the client did not come up; try $attempt of 3" >&2
      chain_stop
      rm -rf "$work/chain-$variant" "$state_file"
      if chain_start "$build" "$work/chain-$variant" "$here/data" && start_client "$variant"; then
        chain_up=1
        break
      fi
    done
    if [ "$chain_up" = 0 ]; then
      while read -r target _; do record "$target" - - fail "the client did not start"; done < <(fields_of "$variant")
      continue
    fi
    while read -r -u 5 target field enter field_point kind; do
      probe "$field" "$(app_of "$client")" ||
        echo "  $target: composing did not start; typing the cases anyway" >&2
      run_cases_in "$target" "$field" "$enter" "$(app_of "$client")" "$kind"
    done 5< <(fields_of "$variant")
  done
done
chain_stop
elapsed=$(($(date +%s) - started))

# ---------------------------------------------------------------- the matrix
failures=0
for r in "${results[@]}"; do
  IFS='|' read -r _ _ _ status _ <<<"$r"
  [ "$status" != fail ] || failures=$((failures + 1))
done
{
  echo "| client field | case | $(for p in $paces; do printf '%s ms | ' "$p"; done)"
  echo "|---|---|$(for p in $paces; do printf -- '---|'; done)"
  declare -A cell=()
  order=()
  for r in "${results[@]}"; do
    IFS='|' read -r target name pace status detail <<<"$r"
    key="$target|$name"
    [ -n "${cell[$key]+x}" ] || order+=("$key")
    if [ "$status" = ok ]; then shown=ok; else shown="$status"; fi
    cell[$key|$pace]="$shown"
    [ "$pace" = - ] && for p in $paces; do cell[$key|$p]="$shown"; done
    cell[$key]=1
  done
  for key in "${order[@]}"; do
    printf '| %s | %s | ' "${key%%|*}" "${key#*|}"
    for p in $paces; do printf '%s | ' "${cell[$key|$p]:-}"; done
    echo
  done
  echo
  for r in "${results[@]}"; do
    IFS='|' read -r target name pace status detail <<<"$r"
    [ "$status" = fail ] && echo "- $target, $name, $pace ms: $detail"
    [ "$status" = ok ] && [ -n "$detail" ] && echo "- $target, $name, $pace ms (ok): $detail"
  done
  echo
  echo "$((${#results[@]})) cells, $failures failed, ${#skipped[@]} clients skipped, ${elapsed} s."
} | tee "$report"

# The cells that failed, typed once more in a fresh chain of their client
# (HALVORA_MATRIX_FRESH=0 leaves this out): a failure that comes again
# there fails the run; the report above keeps the first failures.
if [ "$failures" -gt 0 ] && [ "${HALVORA_MATRIX_FRESH:-1}" = 1 ]; then
  declare -A again_cases=() again_paces=()
  for r in "${results[@]}"; do
    IFS='|' read -r target name pace status _ <<<"$r"
    [ "$status" = fail ] || continue
    client="${target%%-*}"
    # A client that did not start failed every case of this run's filter.
    if [ "$name" = - ]; then again_cases[$client]="*"; else
      [ "${again_cases[$client]:-}" = "*" ] || again_cases[$client]="${again_cases[$client]:+${again_cases[$client]}|}$name"
    fi
    if [ "$pace" = - ]; then again_paces[$client]="$paces"; else
      [[ " ${again_paces[$client]:-} " == *" $pace "* ]] || again_paces[$client]="${again_paces[$client]:+${again_paces[$client]} }$pace"
    fi
  done
  again_failed=0
  for client in "${!again_cases[@]}"; do
    cases="${again_cases[$client]}"
    if [ "$cases" = "*" ]; then cases="$case_filter"; else cases="^($cases)\$"; fi
    echo "$client: the failed cells once more, in a fresh chain" >&2
    HALVORA_MATRIX_FRESH=0 HALVORA_MATRIX_NAME="${HALVORA_MATRIX_NAME:+$HALVORA_MATRIX_NAME-}again-$client" \
      HALVORA_CLIENTS="$client" HALVORA_CASES="$cases" HALVORA_PACES="${again_paces[$client]}" \
      bash "$here/typing-matrix.sh" "$build" >&2 || again_failed=1
  done
  if [ "$again_failed" -eq 0 ]; then
    echo "Every failed cell was exact when typed again in a fresh chain." | tee -a "$report"
    failures=0
  fi
fi

[ "$failures" -eq 0 ] || exit 1
[ ${#skipped[@]} -eq 0 ] || exit 77
exit 0
