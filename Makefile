# Sentrova: `make run` builds and converts or opens the window; `make test` runs every
# test, `make check` the quick ones.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release
# OFF leaves the GoogleTest programs out of the build (make test's plain build).
UNIT_TESTS ?= ON
# Sanitizer and fuzzer builds, and how long each fuzz target runs.
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
TEST_FUZZ_SECONDS ?= 10
# PROFILE=1: the profile-guided build (see scripts/build.sh).
PROFILE ?= 0
# Where make package puts the .deb files, and the tools it needs.
DEB_OUT ?= build-deb
PACKAGE_TOOLS = debhelper dpkg-dev lintian appstream desktop-file-utils groff-base man-db bash-completion

STRESS_TRIALS ?= 1000

.PHONY: all setup build run test check test-asan fuzz golden screenshot clean bench package package-check stress \
	format format-check

all: build

setup:
	@scripts/setup.sh

# Offline once the packages are there; PROFILE=1 builds from a profile.
build: setup
	@PROFILE=$(PROFILE) JOBS=$(JOBS) scripts/build.sh $(BUILD) $(CMAKE_FLAGS) -DSENTROVA_UNIT_TESTS=$(UNIT_TESTS)

run: build
	@scripts/run.sh $(BUILD)

# Every check, each test program once: the layout; the GoogleTest programs
# under AddressSanitizer and UBSan only (the same cases again in the plain
# build would find nothing the sanitizers miss); each fuzz target's corpus and
# a short run; then the plain build, which alone builds the window, with what
# the sanitizer build does not run (ctest label "unit" there, every other
# label here): the window offscreen and under X, the external readers of our
# documents and the Ctrl-C stress of the shipped binary. The plain build
# leaves out the GoogleTest programs it would not run (make check builds
# them). The stage times close the output.
TEST_TIMES = $(BUILD)/test-stage-times.txt
test: setup
	@mkdir -p $(BUILD) && rm -f $(TEST_TIMES)
	@scripts/timed_stage.sh $(TEST_TIMES) "format" $(MAKE) --no-print-directory format-check
	@scripts/timed_stage.sh $(TEST_TIMES) "sanitizer build and tests" $(MAKE) --no-print-directory test-asan
	@scripts/timed_stage.sh $(TEST_TIMES) "fuzz" $(MAKE) --no-print-directory fuzz FUZZ_SECONDS=$(TEST_FUZZ_SECONDS)
	@scripts/timed_stage.sh $(TEST_TIMES) "plain build" $(MAKE) --no-print-directory build UNIT_TESTS=OFF
	@scripts/timed_stage.sh $(TEST_TIMES) "ctest (plain build)" sh -c 'cd $(BUILD) && \
	  SENTROVA_TEST_MOUNT=1 ctest --output-on-failure -j $(JOBS) -LE "^unit$$"'
	@echo "Stage times:" && cat $(TEST_TIMES)

# The inner loop: the build, the GoogleTest programs and the window offscreen.
check: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -L '^(unit|window)$$'

# The code's layout against .clang-format; `make format` rewrites what drifted.
format-check: setup
	@scripts/format_check.sh

format: setup
	@scripts/format_check.sh --fix

# Rewrites the expected KML of the golden tests from the current program. Only
# after the difference has been read line by line and found right.
golden: build
	SENTROVA_REGENERATE_GOLDEN=1 $(BUILD)/tests/sentrova_conversion_tests --gtest_filter='*Golden*'
	git diff --stat -- tests/conversion/golden

# The GoogleTest programs (core, engine and batch converter) under
# AddressSanitizer and UBSan; a report aborts the process, so that a child's
# report cannot pass for exit status 1. The window is not built here. -g1:
# line tables, all a sanitizer's report needs, at a fraction of full debug
# information's build time.
test-asan: setup
	cmake -S . -B $(ASAN_BUILD) -DSENTROVA_SANITIZE=ON -DSENTROVA_WITH_APP=OFF \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1"
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && SENTROVA_TEST_MOUNT=1 ASAN_OPTIONS=abort_on_error=1:detect_leaks=1 \
	  UBSAN_OPTIONS=abort_on_error=1:print_stacktrace=1 ctest --output-on-failure -j $(JOBS) -L '^unit$$'

# libFuzzer targets (clang): each replays its corpus, then runs for FUZZ_SECONDS.
fuzz: setup
	JOBS=$(JOBS) fuzz/run.sh $(FUZZ_SECONDS) $(CURDIR)/$(FUZZ_BUILD)

# Renders the window without a display, to check its look by eye: idle,
# converting, done, the result of the sample drive and the message of a log
# without placemarks; and two reports rendered by Chromium, the sample drive's
# summary and ground track and a real two-constellation receiver's sky
# (docs/ keeps copies for the README).
screenshot: build
	LANG=C.UTF-8 LANGUAGE= QT_QPA_PLATFORM=offscreen $(BUILD)/app/sentrova-screenshot $(BUILD)/sentrova-window
	LANG=de_DE.UTF-8 LANGUAGE= QT_QPA_PLATFORM=offscreen $(BUILD)/app/sentrova-screenshot $(BUILD)/sentrova-window-de
	scripts/report_screenshots.py $(BUILD)/cli/sentrova-convert $(BUILD) \
	  examples/drive.nmea:summary+ground-track:report-drive \
	  ../shared/testdata/nmea-real/aerorust-nmea1.log:sky:report-real

# The Debian packages sentrova-convert and sentrova (dpkg-buildpackage -us -uc -b,
# tests included), into $(DEB_OUT)/.
package:
	@scripts/setup.sh $(PACKAGE_TOOLS)
	@JOBS=$(JOBS) scripts/package.sh $(DEB_OUT)

# make package, then lintian, dpkg -i of both, their programs, pages, desktop
# entry and AppStream file used, and dpkg -r leaving nothing behind (root).
package-check:
	@scripts/setup.sh $(PACKAGE_TOOLS)
	@JOBS=$(JOBS) scripts/package_check.sh $(DEB_OUT)

clean:
	rm -rf $(BUILD) $(BUILD)-profile $(ASAN_BUILD) $(FUZZ_BUILD) $(DEB_OUT)

# Throughput and memory against gpsbabel and an I/O floor, then the micro-benchmarks
# (own build folder; BENCH_RUNS, BENCH_SIZES, BENCH_GPSBABEL_MAX_MB shorten it).
bench:
	@PROFILE=$(PROFILE) bench/run_bench.sh

# Ctrl-C at random moments to a pipeline into the converter, with both cores
# busy: no KML replaced by a truncated one, no temporary file left.
stress: build
	scripts/stress_pipeline.sh $(STRESS_TRIALS) $(CURDIR)/$(BUILD)/cli/sentrova-convert
