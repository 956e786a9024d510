#!/usr/bin/env bash
# Sets up and runs KWP-Import on the embedded demo: installs what is missing, builds, writes the
# demo payroll database (SQLite) and kwp1.sql into .run/demo/, starts the demo ERP server with
# the server profile "KWPDEMO", runs the program there and stops the server afterwards.
# Without a display it says so and shows the preview through kwpctl instead.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

bash scripts/setup-deps.sh
bash scripts/build.sh release

run=$top/.run/demo
port=${KWP_DEMO_PORT:-19860}
mkdir -p "$run/profiles"
echo "Writing the demo payroll database to $run/payroll.sqlite"
build/demo/kwp-demo-db --out "$run/payroll.sqlite"
cp demo/kwp1.sql "$run/kwp1.sql"

echo "Starting the demo ERP server on 127.0.0.1:$port"
"$top/demo/erp-server" start --dir "$run/erp" --port "$port" >/dev/null
trap '"$top/demo/erp-server" stop --dir "$run/erp"' EXIT
export KWP_PROFILE_DIR=$run/profiles
build/kwpctl/kwpctl profile KWPDEMO --write --host 127.0.0.1 --port "$port" >/dev/null

# The demo shows the program as a German workstation would (dates, decimal comma).
locale=${KWP_DEMO_LOCALE:-de_DE.UTF-8}
cd "$run"
if [[ -n ${DISPLAY:-} || -n ${WAYLAND_DISPLAY:-} ]]; then
  # Log-on values: company, branch, fiscal year, password, server profile.
  env LC_ALL="$locale" "$top/build/app/kwp-import" --db payroll.sqlite 1 0 "$(date +%Y)" demo KWPDEMO
else
  echo
  echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): the window cannot be shown."
  echo "The preview of last month for the clients 3 and 999, as the main window would show it"
  echo "(kwpctl preview --db $run/payroll.sqlite):"
  echo
  env LC_ALL="$locale" "$top/build/kwpctl/kwpctl" preview --db payroll.sqlite >preview.txt
  head -n 25 preview.txt
  echo "..."
  echo
  period=$(env LC_ALL=C date -d "$(date +%Y-%m-15) -1 month" +%Y%m)
  echo "The export of these lines to the demo ERP server, as the button \"Export\" would run it"
  echo "(KWP_PASSWORD=demo kwpctl export --db $run/payroll.sqlite --profile KWPDEMO --company 1"
  echo " --branch 0 --period $period):"
  # The demo user logs on as the program does; the password comes from the environment.
  taken=$(env LC_ALL="$locale" KWP_PASSWORD=demo "$top/build/kwpctl/kwpctl" export \
    --db payroll.sqlite --profile KWPDEMO --company 1 --branch 0 --period "$period" \
    2>export.log) || { tail -n 5 export.log; exit 1; }
  echo "The ERP server took $taken records (opening record included); progress in $run/export.log."
  echo
  echo "On a machine with a display the same command starts the program window."
fi
