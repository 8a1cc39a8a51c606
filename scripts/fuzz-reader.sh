#!/usr/bin/env bash
# Builds the board reader's libFuzzer target with AddressSanitizer and UndefinedBehavior-
# Sanitizer (clang, host) and runs it from a seed corpus of the example boards.
# Usage: scripts/fuzz-reader.sh [SECONDS]   (default 600). Not part of `make test`.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build/fuzz"
seconds=${1:-600}
command -v clang++ >/dev/null || { echo "fuzz: clang++ is needed (apt-get install clang)"; exit 1; }
mkdir -p "$out/corpus" "$out/obj"
pugi="$root/build/cache/pugixml-src/src"
[ -f "$pugi/pugixml.cpp" ] || bash "$root/scripts/deps.sh"
flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I"$root" -I"$pugi")
sources=(common nets shapes shape_split offset offset_reference offset_loops offset_probe xml xml_markup xml_encoding replacing_file
  board_reader mask_writer)
objs=()
for s in "${sources[@]}"; do
  clang++ "${flags[@]/-fsanitize=fuzzer,/-fsanitize=fuzzer-no-link,}" -c "$root/plugin/$s.cpp" -o "$out/obj/$s.o"
  objs+=("$out/obj/$s.o")
done
clang++ "${flags[@]/-fsanitize=fuzzer,/-fsanitize=fuzzer-no-link,}" -c "$pugi/pugixml.cpp" -o "$out/obj/pugixml.o"
clang++ "${flags[@]}" "$root/plugin/tests/fuzz/reader_fuzz.cpp" "${objs[@]}" "$out/obj/pugixml.o" -o "$out/reader_fuzz"
cp "$root"/examples/*.xml "$out/corpus/"
cd "$out"
ASAN_OPTIONS=detect_leaks=1 ./reader_fuzz -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -max_len=65536 corpus 2>&1 | tee fuzz.log | grep -E "^#[0-9]+.*(DONE|pulse)|ERROR|SUMMARY" || true
grep -E "Done [0-9]+ runs" fuzz.log || { echo "fuzz: failed, see $out/fuzz.log"; exit 1; }
