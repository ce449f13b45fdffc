# The project's front door: every command installs what it needs first.
SHELL := /bin/bash
JOBS ?= $(shell nproc)

.PHONY: all deps configure linux windows dist test test-sanitize fuzz demo bench clean

all: dist

deps:
	@scripts/install-deps.sh

linux: deps
	cmake --preset linux >/dev/null
	cmake --build --preset linux -j $(JOBS)

windows: deps
	cmake --preset windows >/dev/null
	cmake --build --preset windows -j $(JOBS)

dist: linux windows
	@mkdir -p dist/windows dist/linux dist/java dist/bin
	cp build/windows/launcher.exe dist/windows/launcher.exe
	cp build/linux/launcher dist/linux/launcher
	cp build/linux/java/trellane-runtime.jar dist/java/trellane-runtime.jar
	cp build/linux/tools/stamp/trellane-stamp dist/bin/trellane-stamp
	cp build/linux/tools/package/trellane-package dist/bin/trellane-package

test: dist
	ctest --preset linux -j $(JOBS)

# The Linux launcher, the stamp tool and the suite (but the Wine and plain-JVM ones) built
# with ASan and UBSan in build/linux-sanitize.
test-sanitize: deps
	cmake --preset linux-sanitize >/dev/null
	cmake --build --preset linux-sanitize -j $(JOBS)
	ctest --preset linux-sanitize -j $(JOBS)

# Every fuzz target, built with clang and libFuzzer in build/fuzz, for FUZZ_SECONDS each.
FUZZ_SECONDS ?= 60
fuzz: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS) --target fuzz_targets
	FUZZ_SECONDS=$(FUZZ_SECONDS) scripts/run-fuzz.sh

demo: dist
	scripts/demo.sh

bench: dist
	bench/run.sh

clean:
	rm -rf build dist demo
