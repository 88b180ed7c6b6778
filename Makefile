# The two commands of this project: `make demo` and `make test`.
# Both set the machine up first (idempotent, quiet when nothing is missing).

JOBS ?= $(shell nproc)
WINE_RUN := tools/wine-run.sh

.PHONY: all setup build native win32 test unit sanitize scenarios demo bench fuzz clean

all: build

setup:
	@tools/setup.sh

native: setup
	@cmake --preset native >/dev/null
	@cmake --build --preset native -j $(JOBS)

win32: setup
	@cmake --preset win32 >/dev/null
	@cmake --build --preset win32 -j $(JOBS)

build: native win32

unit: native
	@ctest --preset native -j $(JOBS)

sanitize: setup
	@cmake --preset native-sanitize >/dev/null
	@cmake --build --preset native-sanitize -j $(JOBS)
	@ctest --preset native-sanitize -j $(JOBS)

scenarios: win32
	@python3 tools/check_dll.py build/win32/eksportzam.dll
	@$(WINE_RUN) build/win32/scenarios.exe build/win32/runtime_tests.exe

test: unit sanitize scenarios

demo: win32
	@$(WINE_RUN) build/win32/demo.exe

bench: native
	@bench/run.sh build/native/bench/export_bench

# Every fuzz target for FUZZ_SECONDS each; prints executions and findings.
FUZZ_SECONDS ?= 60
fuzz: setup
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS)
	@fuzz/run.sh build/fuzz $(FUZZ_SECONDS)

clean:
	rm -rf build
