#!/usr/bin/env bash
# Sets up and builds the fuzz preset, then runs each libFuzzer target for SECONDS
# (default 20) on a fresh copy of its seed corpus under build-fuzz/corpus/, so that what a
# run learns never lands in fuzz/corpus/. Names after SECONDS run only those targets.
# Prints executions per second per target, and fails when a target finds a crash, a leak,
# a hang or a broken property; the input that did it is left in build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
[ $# -gt 0 ] && shift
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(answer_fuzzer activities_url_fuzzer url_fuzzer url_differential_fuzzer strings_table_fuzzer
           jpeg_fuzzer png_fuzzer webp_fuzzer activities_request_fuzzer http_worker_fuzzer)
fi

scripts/setup.sh fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null

failed=()
printf '%-26s %9s  %s\n' target 'exec/s' result
for target in "${targets[@]}"; do
  work="build-fuzz/corpus/$target"
  findings="build-fuzz/findings/$target"
  log="build-fuzz/logs/$target.log"
  rm -rf "$work" "$findings"
  mkdir -p "$work" "$findings" build-fuzz/logs
  cp "fuzz/corpus/$target"/* "$work"/
  # No single allocation may pass 256 MiB: the pixels of the largest image allowed (50
  # megapixels) take 191 MiB, so a decoder that took memory for a refused size shows.
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=256
           -print_final_stats=1 -artifact_prefix="$findings/")
  [ -f "fuzz/$target.dict" ] && options+=(-dict="fuzz/$target.dict")
  if "build-fuzz/fuzz/$target" "${options[@]}" "$work" >"$log" 2>&1; then
    result=clean
  else
    result="FOUND something: $log"
    failed+=("$target")
  fi
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  printf '%-26s %9s  %s\n' "$target" "${rate:-?}" "$result"
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz.sh: ${failed[*]} found inputs that fail; see build-fuzz/findings/" >&2
  exit 1
fi
