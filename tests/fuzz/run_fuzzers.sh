#!/usr/bin/env bash
# Runs every fuzz harness of a fuzz build (TARVOS_FUZZ=ON) for a while, each on a working copy
# of its seed corpus, and prints executions, corpus size and crashes per harness. A crash leaves
# its input in the harness's work folder: add it to tests/fuzz/reproducers/<harness>/ with the fix.
# Usage: run_fuzzers.sh BUILD_DIR SECONDS [HARNESS...]
set -uo pipefail
build=${1:?build folder of a fuzz build}
seconds=${2:-60}
shift 2 || shift $#
here=$(cd "$(dirname "$0")" && pwd)

# Longest input per harness: enough for every structure the harness reads, no more.
declare -A max_len=(
  [fuzz_document_file]=4096 [fuzz_ini_settings]=4096 [fuzz_number_text]=256
  [fuzz_variant]=512 [fuzz_port_call]=512 [fuzz_kvrport_c_api]=1024
)
harnesses=("$@")
[ ${#harnesses[@]} -gt 0 ] || harnesses=(fuzz_document_file fuzz_ini_settings fuzz_number_text fuzz_variant fuzz_port_call fuzz_kvrport_c_api)

work="$build/fuzz-work"
failed=0
summary=()
for h in "${harnesses[@]}"; do
  [ -n "${max_len[$h]:-}" ] || { echo "unknown harness $h" >&2; exit 2; }
  mkdir -p "$work/$h/corpus"
  cp -n "$here/corpus/$h/"* "$work/$h/corpus/" 2>/dev/null || true
  [ -d "$here/reproducers/$h" ] && cp -n "$here/reproducers/$h/"* "$work/$h/corpus/" 2>/dev/null
  echo "== $h for ${seconds}s"
  log="$work/$h/fuzz.log"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "$build/bin/$h" -max_total_time="$seconds" -max_len="${max_len[$h]}" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$work/$h/" "$work/$h/corpus" >"$log" 2>&1
  status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  files=$(find "$work/$h/corpus" -type f | wc -l)
  crashes=$(find "$work/$h" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
  summary+=("$(printf '%-20s %12s executions %6s corpus files %3s crashes' "$h" "${execs:-?}" "$files" "$crashes")")
  if [ $status -ne 0 ] || [ "$crashes" -gt 0 ]; then
    failed=1
    tail -n 40 "$log"
  fi
done
echo "== Fuzzing summary (${seconds}s each)"
printf '%s\n' "${summary[@]}"
exit $failed
