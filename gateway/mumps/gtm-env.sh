# Finds the GT.M installation; sourced by kwplsvc, the demo ERP server and the set-up script.
# Sets and exports gtm_dist (kept when it already names a GT.M folder, else the newest version
# of the Debian package) and gtm_chset=M; returns non-zero with a message when none is found.
# gtm_find_dist only prints the folder, for scripts that must not change their environment.

gtm_find_dist() {
  local dir=${1:-${gtm_dist:-}}
  if [[ -z $dir || ! -x $dir/mumps ]]; then
    dir=$(ls -d /usr/lib/x86_64-linux-gnu/fis-gtm/V* /usr/lib/fis-gtm/V* 2>/dev/null | sort -V | tail -n1)
  fi
  [[ -n $dir && -x $dir/mumps ]] || return 1
  echo "$dir"
}

gtm_use_dist() {
  local dir
  dir=$(gtm_find_dist "${1:-}") || { echo "GT.M not found: set gtm_dist or install the fis-gtm package" >&2; return 3; }
  export gtm_dist=$dir gtm_chset=M
  unset gtm_etrap
}
