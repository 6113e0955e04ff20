# shellcheck shell=bash
# How long each phase of a long run took: sourced by test.sh and by the
# scripts it calls, which add their own phases to the same list.
#
#   phase NAME        ends the phase running (if any) and starts NAME
#   phase_end         ends the phase running
#   phase_labels LOG  adds ctest's per-label totals from LOG (its output)
#   phases_report [START]  prints the list as a table (test.sh, at its end),
#                     and the time since START ($EPOCHREALTIME) when given
#
# The list is the file VELTRANO_PHASES (one "NAME<tab>SECONDS" a line); when
# it is not set, as when a script is run on its own, nothing is recorded.
# Phases are written when they end, so a script's phases come before the
# caller's phase that ran it.

_phase_name='' _phase_start=''

phase_end() {
  if [ -n "$_phase_name" ] && [ -n "${VELTRANO_PHASES:-}" ]; then
    local now=$EPOCHREALTIME
    printf '%s\t%s\n' "$_phase_name" \
      "$(awk -v a="$_phase_start" -v b="$now" 'BEGIN { printf "%.1f", b - a }')" \
      >>"$VELTRANO_PHASES"
  fi
  _phase_name=''
}

phase() {
  phase_end
  _phase_name=$1 _phase_start=$EPOCHREALTIME
}

# ctest ends with "Label Time Summary:" and one "NAME = S sec*proc (N tests)"
# line a label: the sum of its tests' times, which overlap under -j.
phase_labels() {  # LOG
  [ -n "${VELTRANO_PHASES:-}" ] || return 0
  awk '/^Label Time Summary:/ { on = 1; next }
       on && /sec\*proc/ { printf "  label %s %s %s\t%s\n", $1, $5, $6, $3; next }
       on { on = 0 }' "$1" >>"$VELTRANO_PHASES"
}

phases_report() {  # [START]
  [ -s "${VELTRANO_PHASES:-}" ] || return 0
  echo
  echo "Time by phase (seconds, wall clock; label lines sum their tests' times):"
  awk -F'\t' -v start="${1:-}" -v now="$EPOCHREALTIME" '
    { printf "  %-60s %6.0f\n", $1, $2; if ($1 !~ /^ /) total += $2 }
    END {
      printf "  %-60s %6.0f\n", "phases together", total
      if (start != "") printf "  %-60s %6.0f\n", "whole run", now - start
    }' "$VELTRANO_PHASES"
}
