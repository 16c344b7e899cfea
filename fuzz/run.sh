#!/bin/bash
# Builds the fuzz targets into build/fuzz and runs each of them in turn,
# sharing the given number of seconds (default 60) between them. Fails when
# a target crashes, trips a sanitizer or breaks one of its properties; the
# input that did it is left in build/fuzz/findings/.
#
#   fuzz/run.sh [seconds] [target ...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

seconds=${1:-60}
shift || true
all=(trim_text split_text find_last_text text_to_number path_part replace_bytes find_bytes count_high_bytes
     filter_list chosen_names split_job)
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all[@]}")
each=$(( seconds / ${#targets[@]} ))
[ "$each" -lt 1 ] && each=1

out=build/fuzz
cmake -S fuzz -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$out" -j 2 >"$out/build.log" 2>&1 || { cat "$out/build.log"; exit 1; }
mkdir -p "$out/findings" "$out/logs"

failed=()
for t in "${targets[@]}"; do
  # New inputs go to the build's own corpus; the seeds in the repo are only read.
  mkdir -p "$out/corpus/$t"
  log="$out/logs/$t.log"
  # Absolute paths: the job's target changes the current folder while it runs.
  if "$out/$t" -max_total_time="$each" -timeout=10 -artifact_prefix="$root/$out/findings/$t-" \
       "$root/$out/corpus/$t" "$root/fuzz/corpus/$t" >"$log" 2>&1; then
    echo "fuzz $t: ok, $(grep -o 'Done [0-9]* runs' "$log" | tail -1 | cut -d' ' -f2) runs in ${each}s"
  else
    echo "fuzz $t: FAILED"
    grep -E 'property broken|ERROR: |SUMMARY: |runtime error' "$log" | head -5 || true
    grep -E '^artifact_prefix|Test unit written' "$log" | tail -1 || true
    failed+=("$t")
  fi
done

echo "long run: fuzz/run.sh 28800   (eight hours over all targets), or one target until stopped:"
echo "          build/fuzz/<target> build/fuzz/corpus/<target> fuzz/corpus/<target>"
if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz failures: ${failed[*]} (logs in $out/logs, inputs in $out/findings;"
  echo "               replay one with: $out/<target> $out/findings/<file>)"
  exit 1
fi
