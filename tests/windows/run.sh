#!/usr/bin/env bash
# The Windows programs under Wine, as a clerk's machine runs them: the installer from
# build-win/ installs silently into a fresh Wine prefix; the INSTALLED kwpctl.exe and
# kwp-import.exe then talk through Winsock to demo ERP servers (GT.M) on 127.0.0.1, and what
# they print and store is compared with the Linux kwpctl's; at the end the uninstaller runs.
# The Windows user is "Jürgen Maier" and the clerk's files lie in "C:\users\Jürgen Maier\Lohn
# Daten": spaces and umlauts in every path. Usage: tests/windows/run.sh (after scripts/windows.sh)
# Environment: KWP_WINE_KEEP=1 keeps the work folder (prefix, logs, screenshots) for a look
# afterwards; KWP_WINE_DOCS=1 puts the screenshots into docs/.
set -uo pipefail
cd "$(dirname "$0")/../.."
top=$PWD
shopt -s nullglob

installer=(build-win/KWP-Import-*-win64.exe)
[[ ${#installer[@]} == 1 ]] || { echo "No installer in build-win/: run scripts/windows.sh first" >&2; exit 2; }
installer=$top/${installer[0]}

# The Linux kwpctl to compare with: the release build that scripts/package.sh makes.
linux=$top/build-package
if [[ ! -x $linux/kwpctl/kwpctl || ! -x $linux/demo/kwp-demo-db ]]; then
  launcher=()
  command -v ccache >/dev/null && { export CCACHE_BASEDIR=$top; launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); }
  cmake -S . -B "$linux" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKWP_BUILD_TESTS=OFF \
    -DKWP_BUILD_BENCH=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON "${launcher[@]}" >/dev/null
fi
cmake --build "$linux" -j "$(nproc)" --target kwpctl kwp-demo-db >/dev/null || exit 2
lctl=$linux/kwpctl/kwpctl

# Wine takes the Windows user's regional settings and the file names' character set from the
# Linux locale, which must exist: German and English ones, made into a folder of their own
# (LOCPATH) so that the machine's locales stay as they are.
locales=${KWP_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/kwp-import}/locales
for l in de_DE en_US; do
  [[ -d $locales/$l.UTF-8 ]] || { mkdir -p "$locales" && localedef -i "$l" -f UTF-8 "$locales/$l.UTF-8"; } ||
    { echo "Cannot make the locale $l.UTF-8 (Debian package locales)" >&2; exit 2; }
done

work=$(mktemp -d /tmp/kwp-wine.XXXXXX)
chmod 755 "$work" # the demo servers run as their own account
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
winuser='Jürgen Maier'
xvfb_pid='' servers=() ports=()
cleanup() {
  for dir in "${servers[@]}"; do "$top/demo/erp-server" stop --dir "$dir" >/dev/null 2>&1; done
  wineserver -k >/dev/null 2>&1
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
  if [[ ${KWP_WINE_KEEP:-} == 1 ]]; then echo "Kept $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

failures=0 passed=0
ok() { passed=$((passed + 1)); echo "ok   $1"; }
fail() { failures=$((failures + 1)); echo "FAIL $1"; shift; (($#)) && printf '     %s\n' "$@"; }
# check NAME COMMAND...: passes when the command succeeds.
check() { local name=$1; shift; if "$@"; then ok "$name"; else fail "$name"; fi; }
# same NAME FILE1 FILE2: the files are equal, line ends aside.
same() {
  if diff <(tr -d '\r' <"$2") <(tr -d '\r' <"$3") >"$work/diff.txt"; then ok "$1"
  else fail "$1" "$(head -n 12 "$work/diff.txt")"; fi
}

# A Windows program as the clerk runs it: her user name, German regional settings unless
# LOCALE says otherwise, no variables of this shell that Windows would not have.
# Leading NAME=VALUE words are further variables.
win() {
  local vars=()
  while [[ $1 == [A-Z_]*=* ]]; do vars+=("$1"); shift; done
  env USER="$winuser" LOGNAME="$winuser" LOCPATH="$locales" LC_ALL="${LOCALE:-de_DE.UTF-8}" \
    LANG="${LOCALE:-de_DE.UTF-8}" "${vars[@]}" wine "$@"
}
lin() { env LC_ALL="${LOCALE:-de_DE.UTF-8}" XDG_CONFIG_HOME="$work/linux-config" XDG_DATA_HOME="$work/linux-data" \
  KWP_PROFILE_DIR="$work/linux-profiles" "$@"; }

display=90
while [[ -e /tmp/.X11-unix/X$display || -e /tmp/.X$display-lock ]]; do display=$((display + 1)); done
# Wine puts a new window a quarter of the screen's width from the left and a fifth of its height
# from the top: on a screen of this size the wage-type window and the main window lie whole on it.
Xvfb ":$display" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=:$display

echo "Wine prefix $WINEPREFIX (user $winuser)"
start=$SECONDS
win wineboot -i >/dev/null 2>&1
# Wine 8's German short date is d.M.yyyy; Windows' own is dd.MM.yyyy, what the ERP expects.
# Wine writes its own again whenever the user's language changes.
windows_dates() { win reg add 'HKCU\Control Panel\International' /v sShortDate /d dd.MM.yyyy /f >/dev/null 2>&1; }
windows_dates
wineserver -w
echo "prefix made in $((SECONDS - start)) s"

drive=$WINEPREFIX/drive_c
home=$drive/users/$winuser
programs=$drive/Program\ Files/KORVEX/KWP-Import

# --- installation -------------------------------------------------------------------------
win "$installer" /S
wineserver -w
expected=(kwp-import.exe kwpctl.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll Qt6Sql.dll
  Qt6Network.dll libssl-3-x64.dll libcrypto-3-x64.dll sqlite3.dll libstdc++-6.dll
  libgcc_s_seh-1.dll libwinpthread-1.dll platforms/qwindows.dll styles/qwindowsvistastyle.dll
  sqldrivers/qsqlite.dll sqldrivers/qsqlodbc.dll translations/qtbase_de.qm README.md
  kwp-import.ini.example Uninstall.exe)
missing=()
for f in "${expected[@]}"; do [[ -f $programs/$f ]] || missing+=("$f"); done
if ((${#missing[@]})); then fail "silent install puts every file under %ProgramFiles%\\KORVEX\\KWP-Import" "missing: ${missing[*]}"
else ok "silent install puts every file under %ProgramFiles%\\KORVEX\\KWP-Import"; fi
menu=("$drive"/ProgramData/Microsoft/Windows/Start\ Menu/Programs/*/KWP-Import.lnk
      "$drive"/ProgramData/Microsoft/Windows/Start\ Menu/Programs/*/*/KWP-Import.lnk)
check "start-menu entry KWP-Import" test ${#menu[@]} -ge 1
ctl=$programs/kwpctl.exe

# --- what kwpctl.exe prints ---------------------------------------------------------------
win "$ctl" --version >"$work/win-version.txt" 2>&1
lin "$lctl" --version >"$work/linux-version.txt" 2>&1
same "kwpctl.exe --version prints what kwpctl --version prints" "$work/linux-version.txt" "$work/win-version.txt"
win "$ctl" --help >"$work/win-help.txt" 2>&1
lin "$lctl" --help >"$work/linux-help.txt" 2>&1
same "kwpctl.exe --help prints what kwpctl --help prints" "$work/linux-help.txt" "$work/win-help.txt"

data=$home/Lohn\ Daten
mkdir -p "$data" "$work/linux"
"$linux/demo/kwp-demo-db" --out "$data/payroll.sqlite" >/dev/null
cp demo/kwp1.sql "$data/"
cp demo/kwp1.sql "$data/payroll.sqlite" "$work/linux/"
(cd "$data" && win "$ctl" preview --db payroll.sqlite >"$work/win-preview.txt" 2>"$work/win-preview.err")
(cd "$work/linux" && lin "$lctl" preview --db payroll.sqlite >"$work/linux-preview.txt" 2>/dev/null)
check "preview has lines" test -s "$work/linux-preview.txt"
same "kwpctl.exe preview prints what kwpctl preview prints (German regional settings)" "$work/linux-preview.txt" "$work/win-preview.txt"


# --- what kwpctl refuses, kwpctl.exe refuses with the same message and exit code -------------
refusals=("preview --db payroll.sqlite --period 2024-3"
  "export --db payroll.sqlite --clients 3)or(1=1 --profile KWP0cache"
  "preview --db fehlt.sqlite" "preview --period 13" "frobnicate")
for words in "${refusals[@]}"; do
  read -ra refused <<<"$words"
  (cd "$data" && win KWP_PASSWORD=demo "$ctl" "${refused[@]}" >"$work/win-bad.txt" 2>&1)
  wcode=$?
  (cd "$work/linux" && lin env KWP_PASSWORD=demo "$lctl" "${refused[@]}" >"$work/linux-bad.txt" 2>&1)
  lcode=$?
  check "kwpctl.exe $words: exit code $lcode as on Linux ($wcode)" test "$lcode" = "$wcode" -a "$lcode" != 0
  same "kwpctl.exe $words: the same message" "$work/linux-bad.txt" "$work/win-bad.txt"
done

# --- export through Winsock, plain and TLS, both server kinds --------------------------------
# shellcheck source=../../gateway/mumps/gtm-env.sh
source gateway/mumps/gtm-env.sh
gtm_use_dist
# m DIR COMMANDS: M commands on the demo server's database, straight through GT.M.
m() { env gtmgbldir="$1/kwp.gld" gtmroutines="$gtm_dist/libgtmutil.so $gtm_dist" "$gtm_dist/mumps" -run %XCMD "$2"; }
# batch DIR N: the records of batch N as stored, the batch number masked.
batch() { m "$1" "zwrite ^KWPIMP($2),^KWPIMP($2,*)" | sed "s/^\^KWPIMP($2\([,)]\)/^KWPIMP(B\1/"; }
last() { m "$1" 'write +$get(^KWPIMP),!'; }
# A port nobody listens on just now.
free_port() {
  local port
  while :; do
    port=$((20000 + RANDOM % 40000))
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
  done
}

period=$(env LC_ALL=C date -d "$(date +%Y-%m-15) -1 month" +%Y%m)
winini=$home/AppData/Local/KORVEX/kwp-import.ini
mkdir -p "$(dirname "$winini")" "$work/linux-config/KORVEX" "$work/linux-profiles"
linini=$work/linux-config/KORVEX/kwp-import.ini
for tls in 0 1; do
  dir=$work/server-$tls
  port=$(free_port)
  options=(); ((tls)) && options=(--tls)
  "$top/demo/erp-server" start --dir "$dir" --port "$port" "${options[@]}" >/dev/null || { fail "demo server (TLS=$tls) starts"; continue; }
  servers+=("$dir")
  ports[tls]=$port
  if ((tls)); then
    cp "$dir/ca.pem" "$data/Zertifikat der Zentrale.pem"
    # In the INI file a backslash is written twice, as the README says.
    printf '[ErpServer]\r\nCaFile=%s\r\n' 'C:\\users\\Jürgen Maier\\Lohn Daten\\Zertifikat der Zentrale.pem' >"$winini"
    printf '[ErpServer]\nCaFile=%s\n' "$dir/ca.pem" >"$linini"
  fi
  for kind in cache msm; do
    name=KWP$tls$kind
    kopt=(); [[ $kind == msm ]] && kopt=(--msm)
    win "$ctl" profile "$name" --write --host 127.0.0.1 --port "$port" "${kopt[@]}" >/dev/null 2>&1
    lin "$lctl" profile "$name" --write --host 127.0.0.1 --port "$port" "${kopt[@]}" >/dev/null 2>&1
    if ((tls)); then
      printf 'TLS=1\r\n' >>"$drive/windows/$name.mco"
      printf 'TLS=1\n' >>"$work/linux-profiles/$name.mco"
    fi
    what="kind $kind, TLS=$tls"
    args=(export --db payroll.sqlite --profile "$name" --company 1 --branch 0 --period "$period")
    (cd "$work/linux" && lin env KWP_PASSWORD=demo "$lctl" "${args[@]}" >"$work/linux-export.txt" 2>"$work/linux-export.err")
    lcode=$?
    lbatch=$(last "$dir")
    (cd "$data" && win KWP_PASSWORD=demo "$ctl" "${args[@]}" >"$work/win-export.txt" 2>"$work/win-export.err")
    wcode=$?
    wbatch=$(last "$dir")
    if ((lcode == 0 && wcode == 0 && wbatch == lbatch + 1)); then
      batch "$dir" "$lbatch" >"$work/linux-batch.txt"
      batch "$dir" "$wbatch" >"$work/win-batch.txt"
      check "export ($what) stores records" test "$(wc -l <"$work/win-batch.txt")" -gt 10
      same "kwpctl.exe export ($what) stores byte for byte what kwpctl export stores" "$work/linux-batch.txt" "$work/win-batch.txt"
      same "kwpctl.exe export ($what) prints what kwpctl prints" "$work/linux-export.txt" "$work/win-export.txt"
    else
      fail "kwpctl.exe export ($what) completes like kwpctl export" "exit codes $lcode/$wcode, batches $lbatch/$wbatch" "$(tail -n 3 "$work/win-export.err")"
    fi
  done
  if ((tls == 0)); then
    # A refused record stops the export the same way on both.
    m "$dir" 'set ^KWPTEST("refuse",3)="Nein, danke."'
    (cd "$work/linux" && lin env KWP_PASSWORD=demo "$lctl" "${args[@]}" >"$work/linux-refused.txt" 2>"$work/linux-refused.err")
    lcode=$?
    (cd "$data" && win KWP_PASSWORD=demo "$ctl" "${args[@]}" >"$work/win-refused.txt" 2>"$work/win-refused.err")
    wcode=$?
    m "$dir" 'kill ^KWPTEST'
    check "a refused record stops kwpctl.exe export with kwpctl's exit code ($lcode/$wcode)" test "$lcode" = 1 -a "$wcode" = 1
    same "a refused record: kwpctl.exe prints what kwpctl prints" "$work/linux-refused.txt" "$work/win-refused.txt"
    check "a refused record: the server's message on standard error" grep -q "Nein, danke." "$work/win-refused.err"
    batch "$dir" "$(($(last "$dir") - 1))" >"$work/linux-batch.txt"
    batch "$dir" "$(last "$dir")" >"$work/win-batch.txt"
    same "a refused record: kwpctl.exe stored what kwpctl stored" "$work/linux-batch.txt" "$work/win-batch.txt"

    # The journal in the Windows user's application-data folder.
    journal=("$home"/AppData/Local/KORVEX/kwp-import/journal/*)
    check "the journal lies in %LOCALAPPDATA%\\KORVEX\\kwp-import\\journal" test ${#journal[@]} -ge 1
    check "kwpctl.exe names the journal by its Windows path" grep -q 'Exportjournal: C:\\users\\Jürgen Maier\\AppData\\Local\\KORVEX\\kwp-import\\journal' "$work/win-export.err"
    win "$ctl" journal --last 2 >"$work/win-journal.txt" 2>&1
    check "kwpctl.exe journal lists the runs (completed, refused)" \
      grep -q $'\t'"$period"$'\t' "$work/win-journal.txt"

    # Regional settings: English ones would send numbers and dates the server cannot read.
    LOCALE=en_US.UTF-8
    (cd "$work/linux" && lin env KWP_PASSWORD=demo "$lctl" "${args[@]}" >/dev/null 2>"$work/linux-regional.err")
    lcode=$?
    before=$(last "$dir")
    (cd "$data" && win KWP_PASSWORD=demo "$ctl" "${args[@]}" >/dev/null 2>"$work/win-regional.err")
    wcode=$?
    unset LOCALE
    windows_dates
    check "English regional settings: kwpctl.exe refuses like kwpctl (exit $lcode/$wcode)" test "$lcode" = 2 -a "$wcode" = 2
    check "English regional settings: the message names them" grep -q 'Mit den Regionaleinstellungen dieses Arbeitsplatzes (en_US) würden' "$work/win-regional.err"
    check "English regional settings: nothing sent" test "$(last "$dir")" = "$before"
  fi
done

# --- the Windows-only code as a test program; the log-on in the registry ----------------------
sdk=$(sed -n 's/^KWP_WINDOWS_SDK:[A-Z]*=//p' build-win/CMakeCache.txt)
win WINEPATH="C:\\Program Files\\KORVEX\\KWP-Import;Z:${sdk//\//\\}\\qt\\bin" \
  KWP_TEST_PORT="${ports[0]:-}" KWP_TEST_TLS_PORT="${ports[1]:-}" \
  KWP_TEST_CA='C:\users\Jürgen Maier\Lohn Daten\Zertifikat der Zentrale.pem' \
  "$top/build-win/tests/windows/tst_windows.exe" -o "Z:${work//\//\\}\\tst_windows.txt,txt" >/dev/null 2>&1
if grep -q '^Totals: .* 0 failed' "$work/tst_windows.txt"; then ok "tst_windows.exe (log-on store, journal folder, Winsock channel)"
else fail "tst_windows.exe (log-on store, journal folder, Winsock channel)" "$(grep -E 'FAIL|Loc:|Totals' "$work/tst_windows.txt" | head -n 12)"; fi
win reg query 'HKCU\Software\VB and VBA Program Settings\MSM Login\Login' >"$work/registry.txt" 2>&1
check "the log-on lies in HKCU\\Software\\VB and VBA Program Settings\\MSM Login\\Login" \
  grep -Eq 'Server[[:space:]]+REG_SZ[[:space:]]+KWP0cache' "$work/registry.txt"
check "company and branch stored" grep -Eq 'Filiale[[:space:]]+REG_SZ[[:space:]]+0' "$work/registry.txt"
check "the password is stored scrambled" bash -c "grep -q Passwort '$work/registry.txt' && ! grep -Eq 'Passwort[[:space:]]+REG_SZ[[:space:]]+demo' '$work/registry.txt'"
# kwpctl.exe logs on with the stored values alone: profile, company, branch, password.
(cd "$data" && win "$ctl" logon >"$work/win-logon.txt" 2>"$work/win-logon.err")
check "kwpctl.exe logon reads the stored log-on back (exit $?)" test -s "$work/win-logon.txt"
(cd "$work/linux" && lin env KWP_PASSWORD=demo "$lctl" logon --profile KWP0cache --company 1 --branch 0 >"$work/linux-logon.txt" 2>/dev/null)
same "kwpctl.exe logon prints what kwpctl logon prints" "$work/linux-logon.txt" "$work/win-logon.txt"
check "server profiles lie in %windir% (C:\\windows\\KWP0cache.mco)" test -f "$drive/windows/KWP0cache.mco"
win "$ctl" profile KWP0cache >"$work/win-profile.txt" 2>&1
check "kwpctl.exe profile names the file in Windows' spelling" grep -q 'C:\\windows\\KWP0cache.mco' "$work/win-profile.txt"

# --- kwp-import.exe's windows under Xvfb -----------------------------------------------------
# shot FILE NAME: the window called NAME (a pattern) into FILE of the work folder, or of docs/
# with KWP_WINE_DOCS=1 (the README's pictures); false when there is none.
shots=$work
[[ ${KWP_WINE_DOCS:-} == 1 ]] && shots=$top/docs
shot() {
  local window=''
  for _ in $(seq 40); do
    window=$(xdotool search --onlyvisible --name "$2" 2>/dev/null | tail -n 1)
    [[ -n $window ]] && break
    sleep 0.5
  done
  [[ -n $window ]] || return 1
  sleep 1.5
  import -window "$window" "$shots/$1" 2>/dev/null
}
keys() { xdotool key --delay 150 "$@"; }
# No window manager runs: Wine's windows take the focus they are given.
focus() { xdotool search --onlyvisible --name "$1" windowfocus --sync >/dev/null 2>&1; }
# A wrong password on the command line: the login dialog comes first.
(cd "$data" && win "$programs/kwp-import.exe" --db payroll.sqlite 1 0 "$(date +%Y)" falsch KWP0msm \
  >"$work/gui.txt" 2>&1 &)
if shot windows-login.png "KORVEX Benutzeranmeldung"; then
  ok "kwp-import.exe: the login dialog comes up"
  focus "KORVEX Benutzeranmeldung"
  keys shift+Tab shift+Tab shift+Tab
  xdotool type --delay 80 KWP0msm && keys Tab && xdotool type 1 && keys Tab && xdotool type 0 && keys Tab
  xdotool type --delay 80 demo
  shot windows-login.png "KORVEX Benutzeranmeldung"
  keys Return
else
  fail "kwp-import.exe: the login dialog comes up" "$(tail -n 5 "$work/gui.txt")"
fi
# period_shown FILE: the "Periode" box of the main window in FILE shows dark pixels, the digits
# of the period (a font whose line spacing pushes the text out of the box leaves it blank). The
# box lies at 6600,240 (975x315 twips) of an area of 10515x7380 twips below the menu bar: the
# window's size gives the scale; the box is looked at inside its frame, left of its button.
period_shown() {
  local size box dark
  size=$(identify -format '%w %h' "$1") || return 1
  box=$(awk -v size="$size" 'BEGIN { split(size, s, " "); f = s[1] / 10515; top = s[2] - 7380 * f
    printf "%dx%d+%d+%d", 975 * f * 0.6, 315 * f - 10, 6600 * f + 5, top + 240 * f + 5 }')
  dark=$(convert "$1" -crop "$box" +repage -colorspace Gray -threshold 50% -format '%[fx:1-mean]' info:)
  awk -v dark="$dark" 'BEGIN { exit !(dark > 0.02) }'
}
if shot windows-main-window.png "KORVEX KWP-Import"; then
  ok "kwp-import.exe: the main window with its preview comes up"
  check "kwp-import.exe: the \"Periode\" box shows the period" period_shown "$shots/windows-main-window.png"
else
  fail "kwp-import.exe: the main window with its preview comes up"
fi
win reg query 'HKCU\Software\VB and VBA Program Settings\MSM Login\Login' >"$work/registry.txt" 2>&1
check "the login dialog stores the log-on in the registry" grep -Eq 'Server[[:space:]]+REG_SZ[[:space:]]+KWP0msm' "$work/registry.txt"
focus "KORVEX KWP-Import"
keys alt+p l
check "kwp-import.exe: the wage-type window comes up" shot windows-wagetypes.png "Lohnarten Zuordnung"
focus "Lohnarten Zuordnung"
keys Escape
sleep 1
if xdotool search --onlyvisible --name "Lohnarten Zuordnung" >/dev/null 2>&1; then
  focus "Lohnarten Zuordnung"
  keys alt+F4
  sleep 1
fi
focus "KORVEX KWP-Import"
keys alt+h
sleep 1
keys Return
check "kwp-import.exe: the About window comes up" shot windows-about.png "Info zu kwp"
# Wine registers no system information program: "Systeminfo..." says so.
check "Wine has no system information program registered" \
  bash -c "! wine reg query 'HKLM\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO' /v PATH >/dev/null 2>&1"
focus "Info zu kwp"
keys alt+s
check "\"Systeminfo...\": the message box comes up" shot windows-systeminfo.png '^kwp$'
wineserver -k
wineserver -w

# --- uninstall ----------------------------------------------------------------------------
win "$programs/Uninstall.exe" /S
sleep 2
wineserver -w
check "the uninstaller removes the program folder" test ! -e "$programs"
check "the uninstaller removes the KORVEX folder" test ! -e "$drive/Program Files/KORVEX"
menu=("$drive"/ProgramData/Microsoft/Windows/Start\ Menu/Programs/*/KWP-Import.lnk
      "$drive"/ProgramData/Microsoft/Windows/Start\ Menu/Programs/*/*/KWP-Import.lnk
      "$drive"/ProgramData/Microsoft/Windows/Start\ Menu/Programs/KORVE[X])
check "the uninstaller removes the start-menu entry" test ${#menu[@]} = 0
check "the uninstaller removes its entry in the list of installed programs" \
  bash -c "! wine reg query 'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KWP-Import' >/dev/null 2>&1"
check "the uninstaller removes the program's registry key" bash -c "! wine reg query 'HKLM\\Software\\KORVEX\\KWP-Import' >/dev/null 2>&1"

echo "$passed passed, $failures failed"
((failures == 0))
