#!/usr/bin/env bash
# Builds the installer package reader's libFuzzer target with AddressSanitizer and
# UndefinedBehaviorSanitizer (clang, host) and runs it from a seed corpus of small packages
# made by tallowin-pack. Usage: scripts/fuzz-package.sh [SECONDS] (default 600).
# Not part of `make test`.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build/fuzz-package"
seconds=${1:-600}
command -v clang++ >/dev/null || { echo "fuzz: clang++ is needed (apt-get install clang)"; exit 1; }
mkdir -p "$out/corpus" "$out/obj" "$out/seeds"
flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I"$root")
sources=(package/byte_source package/trailer package/gfileinfo package/package_checksum package/token
         package/language package/package_records support/sub support/strings support/ini
         support/zbdebug)
objs=()
for s in "${sources[@]}"; do
  o="$out/obj/$(basename "$s").o"
  clang++ "${flags[@]/-fsanitize=fuzzer,/-fsanitize=fuzzer-no-link,}" -c "$root/stub/$s.cpp" -o "$o"
  objs+=("$o")
done
clang++ "${flags[@]}" "$root/stub/tests/fuzz/package_fuzz.cpp" "${objs[@]}" -lz -o "$out/package_fuzz"

# Seeds: small packages of every kind the tool writes.
tool="$root/build/host-package/stub/tallowin-pack"
if [ ! -x "$tool" ]; then
  cmake --preset host -B "$root/build/host-package" >/dev/null
  cmake --build "$root/build/host-package" --target tallowin-pack
fi
s="$out/seeds"
printf 'MZ' >"$s/stub.exe"; head -c 254 /dev/zero >>"$s/stub.exe"; printf 'PE' >>"$s/stub.exe"
head -c 100 /dev/zero >>"$s/stub.exe"
printf 'one' >"$s/one.txt"; : >"$s/empty.bin"; head -c 3000 /dev/urandom >"$s/rand.bin"
printf 'setup' >"$s/setup.exe"
printf '[English]\ns0=Title\nFontSize=9\n[GERMAN]\ns0=Titel\n' >"$s/lang.txt"
"$tool" build --stub "$s/stub.exe" --out "$out/corpus/plain.exe" "$s/one.txt" >/dev/null
"$tool" build --stub "$s/stub.exe" --out "$out/corpus/full.exe" --lang "$s/lang.txt" \
  --settings 'http://u/|p.info|X_A.exe|tok|1' --download '|http://d/|S.exe|1|dt|9|' \
  --engine "$s/setup.exe*/S" --flags show-activity,more-disks "$s/one.txt" "$s/empty.bin" >/dev/null
"$tool" build --stub "$s/stub.exe" --out "$out/corpus/split.exe" --split-mb 0 "$s/rand.bin" "$s/empty.bin" >/dev/null
: >"$out/corpus/empty"
cd "$out"
ASAN_OPTIONS=detect_leaks=1 ./package_fuzz -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -max_len=16384 corpus 2>&1 | tee fuzz.log | grep -E "^#[0-9]+.*(DONE|pulse)|ERROR|SUMMARY" || true
grep -E "Done [0-9]+ runs" fuzz.log || { echo "fuzz: failed, see $out/fuzz.log"; exit 1; }
