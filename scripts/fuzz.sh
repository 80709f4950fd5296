#!/usr/bin/env bash
# Builds the fuzz targets (fuzz/) with clang's libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer in build-fuzz/, then runs each for SECONDS (default 60),
# starting from its seed corpus in fuzz/corpus/<target> and its own working corpus in
# build-fuzz/corpus/<target>, which later runs continue from. A crash, a broken property,
# a leak or an input that takes over 10 s is a finding: it is saved in
# build-fuzz/findings/ and the script fails. Prints inputs run, executions per second and
# the coverage reached (libFuzzer's cov/ft) per target.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]      targets: transact hex_file hex_field
#                                              sdcard_text frame_parser control
#                                              cli_args cli_range transcript doctor_text
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${1:-60}
shift || true
build=$root/build-fuzz

scripts/install-deps.sh
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVX5H_CORE_ONLY=ON \
  -DVX5H_BUILD_TESTS=OFF -DVX5H_BUILD_BENCH=OFF -DVX5H_BUILD_FUZZ=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzz-all

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for seeds in fuzz/corpus/*/; do targets+=("$(basename "$seeds")"); done
fi

mkdir -p "$build/findings" "$build/logs"
failed=()
printf '%-14s %12s %9s %6s %7s  %s\n' target inputs exec/s cov ft result
for t in "${targets[@]}"; do
  mkdir -p "$build/corpus/$t"
  log=$build/logs/$t.log
  result=ok
  "$build/bin/fuzz_$t" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$build/findings/$t-" "$build/corpus/$t" "$root/fuzz/corpus/$t" >"$log" 2>&1 || result=FINDING
  done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1 || true)
  inputs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/.* exec\/s: \([0-9]*\).*/\1/p' <<<"$done_line")
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$done_line")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$done_line")
  printf '%-14s %12s %9s %6s %7s  %s\n' "$t" "${inputs:--}" "${rate:--}" "${cov:--}" "${ft:--}" "$result"
  if [ "$result" != ok ]; then
    failed+=("$t")
    tail -40 "$log" >&2
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz findings in: ${failed[*]} (inputs in $build/findings/, logs in $build/logs/)" >&2
  exit 1
fi
