#!/usr/bin/env bash
# Takes the README's screenshots from the real program on the demo, on a virtual X display:
# main window with its preview, the login dialog, the progress window after an export, the
# wage-type window and the About window. Writes docs/*.png.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

bash scripts/setup-deps.sh >/dev/null
bash scripts/build.sh release >/dev/null

display=:${KWP_SCREENSHOT_DISPLAY:-97}
run=$top/.run/screenshots
port=${KWP_SCREENSHOT_PORT:-19870}
# A server left by an interrupted earlier run is stopped before its folder goes.
[[ -d $run/erp ]] && demo/erp-server stop --dir "$run/erp" >/dev/null 2>&1 || true
rm -rf "$run" && mkdir -p "$run/profiles" "$run/config"
build/demo/kwp-demo-db --out "$run/payroll.sqlite" >/dev/null
cp demo/kwp1.sql "$run/kwp1.sql"
demo/erp-server start --dir "$run/erp" --port "$port" >/dev/null
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  "$top/demo/erp-server" stop --dir "$run/erp" >/dev/null || true
}
trap cleanup EXIT
export KWP_PROFILE_DIR=$run/profiles XDG_CONFIG_HOME=$run/config DISPLAY=$display
export LC_ALL=${KWP_DEMO_LOCALE:-de_DE.UTF-8}
build/kwpctl/kwpctl profile KWPDEMO --write --host 127.0.0.1 --port "$port" >/dev/null

Xvfb "$display" -screen 0 1280x900x24 >/dev/null 2>&1 &
pids+=($!)
sleep 1

shot() { # file [window name]
  sleep 1.5
  local window=
  [[ -n ${2:-} ]] && window=$(xdotool search --name "$2" | tail -n 1 || true)
  if [[ -n $window ]]; then
    import -window "$window" "docs/$1"
  else
    [[ -z ${2:-} ]] || echo "no window \"$2\": the whole screen instead" >&2
    import -window root "docs/$1"
  fi
  echo "docs/$1"
}
keys() { xdotool key --delay 150 "$@"; }

# A wrong password on the command line: the login dialog comes first.
cd "$run"
"$top/build/app/kwp-import" --db payroll.sqlite 1 0 "$(date +%Y)" falsch KWPDEMO &
pids+=($!)
cd "$top"
sleep 3
# The password box has the focus; the three boxes before it first.
keys shift+Tab shift+Tab shift+Tab
xdotool type --delay 80 KWPDEMO && keys Tab && xdotool type 1 && keys Tab && xdotool type 0 && keys Tab
xdotool type --delay 80 demo
shot login.png "KORVEX Benutzeranmeldung"
keys Return
sleep 3
shot main-window.png "KORVEX KWP-Import"

# Export: the button "Export" has the focus after a Tab from the period box.
xdotool search --name "KORVEX KWP-Import" windowfocus --sync
eval "$(xdotool search --name "KORVEX KWP-Import" getwindowgeometry --shell | tail -n 6)"
xdotool mousemove $((X + WIDTH * 895 / 1000)) $((Y + HEIGHT * 9 / 100)) click 1
sleep 6
shot progress.png "^Export"

xdotool search --name "KORVEX KWP-Import" windowfocus --sync
keys alt+p l
shot wagetypes.png "Lohnarten Zuordnung"
keys Escape
xdotool search --name "Lohnarten Zuordnung" windowclose 2>/dev/null || true

xdotool search --name "KORVEX KWP-Import" windowfocus --sync
keys alt+h udiaeresis
shot about.png "Info zu kwp"
