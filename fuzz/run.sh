#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) into
# build-fuzz and runs them side by side for a while.
#
#   fuzz/run.sh [SECONDS] [TARGET...]     default: 30 seconds, every target
#   fuzz/run.sh seeds [TARGET...]         each target once over its seeds only, no mutation
#
# Each target keeps its corpus in build-fuzz/corpus/TARGET, seeded from tests/data and
# examples/site; a crash or a failed property leaves its input in build-fuzz/artifacts and makes
# the script exit non-zero. Reproduce one with: build-fuzz/fuzz/TARGET build-fuzz/artifacts/FILE
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
shift || true
dir=${FUZZ_BUILD_DIR:-$root/build-fuzz}
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=()
  for f in "$root"/fuzz/fuzz_*.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi

"$root/scripts/setup.sh" fuzz
CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEB_FUZZ=ON \
  -DZEB_BUILD_TESTS=OFF >/dev/null
cmake --build "$dir" -j"$(nproc)" --target "${targets[@]}"

# Seeds: the data files and pages of the repository, and a few month texts.
seeds=$dir/seeds
rm -rf "$seeds"
mkdir -p "$seeds/xml" "$seeds/page" "$seeds/month" "$dir/artifacts"
n=0
while IFS= read -r -d '' f; do
  n=$((n + 1))
  case "$f" in
    *.xml) cp "$f" "$seeds/xml/$n.xml" ;;
    *) cp "$f" "$seeds/page/$n.html" ;;
  esac
done < <(find "$root/tests/data" "$root/examples/site" -type f \( -name '*.xml' -o -name '*.html' -o -name '*.htm' \) \
           -size -256k -print0 2>/dev/null)
m=0
for text in "2008-05" "2008-5" "200805" "" "2008-12" "0000-00" "-001--1" "9999-12" "2147483647-2147483647" \
            "2008-99999999999" " 7-x" "1-1"; do
  for other in "2009-01" "2008-05" "1999-12"; do
    m=$((m + 1))
    printf '\x0d\x00%s\x00%s' "$text" "$other" > "$seeds/month/$m"
  done
done

# The targets run side by side, each for the given time; their reports follow in order.
run_target() {
  local t=$1 seed opts corpus log
  case "$t" in
    fuzz_xml_readers) seed=$seeds/xml; opts=(-dict="$root/fuzz/xml.dict" -max_len=16384) ;;
    fuzz_page_roundtrip|fuzz_page_insert) seed=$seeds/page; opts=(-dict="$root/fuzz/html.dict" -max_len=16384) ;;
    fuzz_month_text) seed=$seeds/month; opts=(-max_len=64) ;;
    *) seed=$seeds/page; opts=() ;;
  esac
  corpus=$dir/corpus/$t
  log=$dir/$t.log
  mkdir -p "$corpus"
  if [ "$seconds" = seeds ]; then
    "$dir/fuzz/$t" "${opts[@]}" -runs=0 -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$dir/artifacts/$t-" "$seed" >"$log" 2>&1
    return
  fi
  "$dir/fuzz/$t" "${opts[@]}" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$dir/artifacts/$t-" "$corpus" "$seed" >"$log" 2>&1
}

if [ "$seconds" = seeds ]; then echo "fuzz: ${targets[*]} over their seeds"; else echo "fuzz: ${targets[*]} for ${seconds}s"; fi
pids=()
for t in "${targets[@]}"; do
  run_target "$t" &
  pids+=($!)
done
status=0
for i in "${!targets[@]}"; do
  t=${targets[$i]}
  log=$dir/$t.log
  if wait "${pids[$i]}"; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    echo "fuzz: $t ok, ${runs:-?} runs, corpus $(find "$dir/corpus/$t" -type f | wc -l) inputs"
  else
    status=1
    echo "fuzz: $t FAILED; the end of its log ($log):" >&2
    tail -n 40 "$log" >&2
  fi
done
exit $status
