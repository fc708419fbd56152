#!/usr/bin/env bash
# Runs PeersBench for our widget and each peer (one process each) and prints
# one table: every figure, and the ratio ours / peer. Extra arguments go to
# every run (for example --mib=10 for a quick look).
set -euo pipefail
cd "$(dirname "$0")/../.."
bench=build/release/bench/PeersBench
export QT_QPA_PLATFORM=offscreen
declare -A value
widgets=()
# A widget that takes longer than PEERS_TIMEOUT seconds (default 900) is
# stopped; the figures it printed until then are kept.
for w in korvel plain qsci; do
  rc=0
  out=$(timeout "${PEERS_TIMEOUT:-900}" "$bench" --widget="$w" "$@" 2>/dev/null) || rc=$?
  if [[ $rc -ne 0 ]]; then
    echo "# $w: stopped or failed (exit $rc)" >&2
    [[ -z $out ]] && continue
  fi
  widgets+=("$w")
  while read -r name v; do
    [[ $name == \#* ]] && continue
    value[$w,$name]=$v
  done <<<"$out"
  grep '^#' <<<"$out" || true
done
figures=(set_100mb_and_first_paint_ms key_after_load_ms background_after_load_ms
         key_start_first_ms key_start_median_ms
         key_middle_first_ms key_middle_median_ms key_after_jump_median_ms pgdn_top_median_ms pgdn_middle_median_ms
         full_repaint_middle_median_ms
         wrap_10mb_set_and_first_paint_ms wrap_key_end_first_ms wrap_key_end_median_ms
         rss_growth_100mb_mb)
printf '%-34s' figure
for w in "${widgets[@]}"; do printf '%12s' "$w"; done
for w in "${widgets[@]}"; do [[ $w != korvel ]] && printf '%14s' "korvel/$w"; done
echo
for f in "${figures[@]}"; do
  printf '%-34s' "$f"
  for w in "${widgets[@]}"; do printf '%12s' "${value[$w,$f]:--}"; done
  for w in "${widgets[@]}"; do
    [[ $w == korvel ]] && continue
    a=${value[korvel,$f]:-}; b=${value[$w,$f]:-}
    if [[ -n $a && -n $b ]]; then
      printf '%14s' "$(awk -v a="$a" -v b="$b" 'BEGIN { if (b > 0) printf "%.3f", a / b; else print "-" }')"
    else
      printf '%14s' -
    fi
  done
  echo
done
