# Entry points: `make test` builds both targets and runs every test; `make bench` runs the
# benchmarks of the host build. Each step installs what is missing first (scripts/deps.sh).
.PHONY: all deps host win32 test test-host test-win32 bench demo clean

all: host win32

deps:
	@bash scripts/deps.sh

build/host/build.ninja: | deps
	cmake --preset host
build/win32/build.ninja: | deps
	cmake --preset win32

host: deps build/host/build.ninja
	cmake --build --preset host
win32: deps build/win32/build.ninja
	cmake --build --preset win32

test-host: host
	ctest --preset host
test-win32: win32
	ctest --preset win32

# Both suites run even when the first fails; the result fails when either did.
test: host win32
	@status=0; \
	echo "== host tests (native)"; ctest --preset host || status=1; \
	echo "== win32 tests (under Wine)"; ctest --preset win32 || status=1; \
	exit $$status

bench: host
	cmake --build --preset host --target benchmarks
	@for b in build/host/bench/bench_*; do \
	  if [ -f "$$b" ] && [ -x "$$b" ]; then echo "== $$b"; "$$b" || exit 1; fi; \
	done

# Runs the morvane tool on a copy of an example board (the example stays as it is).
demo: deps build/host/build.ninja
	cmake --build --preset host --target morvane
	@mkdir -p build/demo && cp examples/board-mm.xml build/demo/board.xml
	build/host/plugin/cli/morvane build/demo/board.xml --region traces --swell 0.05 --yes \
	  --preview build/demo/preview.svg
	@echo "== changes to the board (only added Shape elements):"
	@diff examples/board-mm.xml build/demo/board.xml | head -n 20 || true
	@echo "== board: build/demo/board.xml, preview: build/demo/preview.svg"

clean:
	rm -rf build/host build/win32
