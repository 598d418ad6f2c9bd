#!/bin/sh
# Builds one fuzz target (clang++-19, libFuzzer, ASan and UBSan) and runs it
# for a set time on its seeds (fuzz/make_seeds.sh makes them when missing).
#   fuzz/run.sh TARGET SECONDS [extra libFuzzer flags]
# TARGET is lexer, cmap, sfnt or document. JOBS=N runs N fuzzing processes in
# parallel (their logs go to build/fuzz-out/TARGET/fuzz-*.log). Inputs that
# grow coverage are kept in build/fuzz-corpus/TARGET; crashes, leaks and
# timeouts are written to build/fuzz-out/TARGET/. Exits non-zero when the
# fuzzer found something.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
target=${1:?"usage: fuzz/run.sh TARGET SECONDS [libFuzzer flags]"}
seconds=${2:?"usage: fuzz/run.sh TARGET SECONDS [libFuzzer flags]"}
shift 2
jobs=${JOBS:-1}

# Inputs longer than this are not generated: the seeds' sizes, which keep
# whole font programs and small PDF files intact.
case "$target" in
  lexer|cmap) max_len=65536 ;;
  sfnt) max_len=262144 ;;
  document) max_len=98304 ;;
  *) echo "unknown target $target (lexer, cmap, sfnt, document)" >&2; exit 2 ;;
esac

build="$here/build/fuzz"
if [ ! -f "$build/build.ninja" ]; then
  CXX=clang++-19 cmake -S "$here" -B "$build" -G Ninja -DZVK_BUILD_FUZZ=ON -DZVK_BUILD_MODULE=OFF >/dev/null
fi
cmake --build "$build" --target "zvk_${target}_fuzz"

seeds="$here/build/fuzz-seeds/$target"
if [ ! -d "$seeds" ] || [ -z "$(ls -A "$seeds")" ]; then
  "$here/fuzz/make_seeds.sh"
fi
corpus="$here/build/fuzz-corpus/$target"
out="$here/build/fuzz-out/$target"
mkdir -p "$corpus" "$out"

parallel=""
# libFuzzer's -jobs sends each process's output to a log file; one job runs
# in this process, its output on the terminal.
[ "$jobs" -gt 1 ] && parallel="-jobs=$jobs -workers=$jobs"

dict=""
[ -f "$here/fuzz/$target.dict" ] && dict="-dict=$here/fuzz/$target.dict"

cd "$out"
# The first folder receives what the fuzzer finds; the seeds stay as made.
exec "$build/zvk_${target}_fuzz" "$corpus" "$seeds" \
  -max_total_time="$seconds" -max_len="$max_len" -timeout=30 -rss_limit_mb=4096 \
  -artifact_prefix="$out/" -print_final_stats=1 $parallel $dict "$@"
