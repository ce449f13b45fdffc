# The project's front door: every command installs what it needs first (scripts/install-deps.sh).
SHELL := /bin/bash
JOBS ?= $(shell nproc)
# Tests run side by side: TEST_JOBS of them at once.
TEST_JOBS ?= $(JOBS)
DEPS := scripts/install-deps.sh

# What make dist ships from the Linux build tree; make test builds the rest of it (the tests).
DIST_TARGETS := launcher trellane-stamp trellane-package runtime_jar

.PHONY: all dist linux windows test test-sanitize fuzz demo bench bench-apps bench-deb bench-splash \
	bench-packages bench-rpm-payloads bench-instance clean

all: dist

linux:
	@$(DEPS) build
	cmake --preset linux >/dev/null
	cmake --build --preset linux -j $(JOBS) --target $(DIST_TARGETS)

windows:
	@$(DEPS) build
	cmake --preset windows >/dev/null
	cmake --build --preset windows -j $(JOBS)

dist: linux windows
	@mkdir -p dist/windows dist/linux dist/java dist/bin
	cp build/windows/launcher.exe dist/windows/launcher.exe
	cp build/linux/launcher dist/linux/launcher
	cp build/linux/java/trellane-runtime.jar dist/java/trellane-runtime.jar
	cp build/linux/tools/stamp/trellane-stamp dist/bin/trellane-stamp
	cp build/linux/tools/package/trellane-package dist/bin/trellane-package

# The test toolchain comes first, so the build tree configures the suite with GoogleTest. After
# the run, what was skipped on this machine and why (scripts/skipped-tests.py).
test:
	@$(DEPS) build tools test
	@$(MAKE) --no-print-directory dist
	cmake --build --preset linux -j $(JOBS)
	status=0; ctest --preset linux -j $(TEST_JOBS) || status=$$?; \
	  scripts/skipped-tests.py build/linux; exit $$status

# The Linux launcher, the host tools and the suite (but the Wine and plain-JVM ones) built
# with ASan and UBSan in build/linux-sanitize. The launcher.exe the tools edit comes from the
# Windows build, and the test fixtures that hold no code of ours (jars, test DLLs, the Windows
# JDK, Debian 12's osslsigncode, the runtimes jlink links) from build/linux: both shared with
# make test, and made here when it has not made them.
test-sanitize:
	@$(DEPS) build tools test
	@$(MAKE) --no-print-directory windows
	cmake --preset linux >/dev/null
	cmake --preset linux-sanitize >/dev/null
	cmake --build --preset linux-sanitize -j $(JOBS)
	status=0; ctest --preset linux-sanitize -j $(TEST_JOBS) || status=$$?; \
	  scripts/skipped-tests.py build/linux-sanitize; exit $$status

# Every fuzz target, built with clang and libFuzzer in build/fuzz, for FUZZ_SECONDS each.
FUZZ_SECONDS ?= 60
fuzz:
	@$(DEPS) build fuzz
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS) --target fuzz_targets
	FUZZ_SECONDS=$(FUZZ_SECONDS) scripts/run-fuzz.sh

demo:
	@$(DEPS) build tools
	@$(MAKE) --no-print-directory dist
	scripts/demo.sh

bench:
	@$(DEPS) build tools bench
	@$(MAKE) --no-print-directory dist
	bench/run.sh

# Start-up of real applications from Debian's packages against java -cp and jpackage, on JDK 17
# and (when the machine has it) JDK 25: bench/real_apps.py, its section of bench/RESULTS.md.
bench-apps:
	@$(DEPS) build tools bench
	@$(MAKE) --no-print-directory dist
	python3 bench/real_apps.py

# An installed Debian package's start-up on JDK 25 with the cache trained into it, against
# --cds auto and java -cp: bench/installed_deb.py, its section of bench/RESULTS.md.
bench-deb:
	@$(DEPS) build tools bench
	@$(MAKE) --no-print-directory dist
	python3 bench/installed_deb.py

# Time to the splash screen's first frame, the launcher against java -splash: (bench/splash.py,
# its section of bench/RESULTS.md).
bench-splash:
	@$(DEPS) build tools test
	@$(MAKE) --no-print-directory dist
	python3 bench/splash.py

# Time to build the demo's .deb and .rpm against jpackage's on the same runtime, and its MSI
# against them (bench/packages.py, its section of bench/RESULTS.md).
bench-packages:
	@$(DEPS) build tools bench
	@$(MAKE) --no-print-directory dist
	python3 bench/packages.py

# Time and size of the .rpm's payload compressions on the demo's image (bench/rpm_payloads.py,
# its section of bench/RESULTS.md).
bench-rpm-payloads:
	@$(DEPS) build tools bench
	@$(MAKE) --no-print-directory dist
	python3 bench/rpm_payloads.py

# A later launch of a single-instance application against a first one: bench/single_instance.py,
# its section of bench/RESULTS.md.
bench-instance:
	@$(DEPS) build tools bench
	@$(MAKE) --no-print-directory dist
	python3 bench/single_instance.py

clean:
	rm -rf build dist demo
