#!/usr/bin/env bash
# Long runs of the bounded random-input tests under AddressSanitizer and UndefinedBehaviorSanitizer:
# the translation catalog's reader and Translate, the update answer's field reader (ExtractBetween,
# JsonUnescape). ./test runs each with 20,000 inputs and one seed; this runs them with many more
# and a new seed per run, and prints the seed of a failing run to replay it. Never part of ./test.
#
#   bench/fuzz.sh [--rounds N] [--runs N]
#
#   --rounds N   inputs per test and run, 2,000,000 unless given
#   --runs N     runs with different seeds, 5 unless given
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
rounds=2000000
runs=5
while [ $# -gt 0 ]; do
    case $1 in
    --rounds) rounds=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    *) echo "usage: bench/fuzz.sh [--rounds N] [--runs N]" >&2; exit 2 ;;
    esac
done

cd "$root"
bash tools/deps.sh
cmake --preset host-sanitize >/dev/null
cmake --build build/host-sanitize --parallel 2 --target rambroom_unit_tests
tests=build/host-sanitize/tests/unit/rambroom_unit_tests
filter='ReadCatalog.AnyBytesGiveACatalog:JsonField.AnyInputIsSafe'
for run in $(seq 1 "$runs"); do
    seed=$(( $(date +%s%N) % 4294967296 ))
    echo "run $run of $runs: $rounds inputs per test, seed $seed"
    if ! RAMBROOM_FUZZ_ROUNDS=$rounds RAMBROOM_FUZZ_SEED=$seed "$tests" --gtest_filter="$filter" --gtest_brief=1; then
        echo "FAILED with seed $seed: RAMBROOM_FUZZ_ROUNDS=$rounds RAMBROOM_FUZZ_SEED=$seed $tests --gtest_filter=$filter"
        exit 1
    fi
done
echo "fuzz: $runs runs of $rounds inputs, no fault"
