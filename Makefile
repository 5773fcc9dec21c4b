# Thin entry points over CMake and CTest. See README.md.
BUILD       ?= build
BUILD_TYPE  ?= RelWithDebInfo
FUZZ_BUILD  ?= build-fuzz
FUZZ_SECONDS ?= 10
JOBS        ?= $(shell nproc)

.PHONY: setup configure build test test-desktops run run-installer screenshots bench fuzz asan clean format install package

setup:
	@bash tools/setup.sh

configure: setup
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# All labels (unit, gui, x11); x11 tests get a private Xvfb.
test: build
	@bash tools/run-tests.sh $(BUILD)

# The gnome and kde labels on headless GNOME and KDE Plasma sessions; their
# packages (several hundred MB) are installed here, not by setup.
test-desktops: build
	@bash tools/setup-desktops.sh
	@bash tools/run-desktop-tests.sh $(BUILD)

# Installs the programs, libraries and desktop files (PREFIX, default
# /usr/local; DESTDIR for a staging root).
PREFIX ?= /usr/local
install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian packages prentix, instari and libixstdf32-dev, into
# $(BUILD)/packages/, checked (files, lintian, desktop and AppStream
# validators, manual pages, the installed programs run).
package: build
	@cd $(BUILD) && cpack -G DEB >/dev/null
	@bash tools/check-packages.sh $(BUILD)

# Prentix on your desktop (or, without a display, a demonstration on a
# private X server); the installer's sample installation.
run: build
	@bash tools/run-prentix.sh $(BUILD)

run-installer: build
	@bash tools/run-installer.sh $(BUILD)

# Prentix's windows in German and English, into docs/screenshots/.
screenshots: build
	@bash tools/screenshots.sh $(BUILD)

bench: setup
	@cmake -S . -B $(BUILD)-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPX_TESTS=OFF >/dev/null
	@cmake --build $(BUILD)-bench -j $(JOBS)
	@bash bench/run.sh $(BUILD)-bench

fuzz: setup
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPX_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@bash fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# Tests under AddressSanitizer and UndefinedBehaviorSanitizer; any report
# fails its test (tools/run-tests.sh sets the options). No benchmarks: they
# measure nothing under the sanitizers and would only lengthen the build.
asan: setup
	@cmake -S . -B $(BUILD)-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPX_SANITIZE=ON -DPX_BENCH=OFF >/dev/null
	@cmake --build $(BUILD)-asan -j $(JOBS)
	@bash tools/run-tests.sh $(BUILD)-asan

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(BUILD)-bench $(BUILD)-asan $(FUZZ_BUILD)
