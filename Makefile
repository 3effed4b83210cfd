# What people type. Every target installs missing Debian packages first
# (scripts/install-deps returns at once when everything is there): building
# and running take only what they need (`deps`), the tests and the tools
# around them add theirs (`deps-test`). With SKIP_DEPS=1 nothing is looked
# at, for machines without apt that bring the packages' equivalents themselves.

BUILD      ?= build
TEST_BUILD ?= build-asan
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
ARGS       ?=
CMAKE_GEN  := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

.PHONY: all deps deps-test build run probe test test-headless bench snapshots format format-check clean \
  e2e-pressure e2e-apps fuzz check-bare cross-macos

all: build

deps:
	@if [ "$(SKIP_DEPS)" != 1 ]; then scripts/install-deps run; fi

deps-test:
	@if [ "$(SKIP_DEPS)" != 1 ]; then scripts/install-deps test; fi

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DTIDEMARK_TESTS=OFF \
	  -DTIDEMARK_BENCH=OFF

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/tidemark $(ARGS)

probe: build
	$(BUILD)/tidemark --probe $(ARGS)

$(TEST_BUILD)/CMakeCache.txt: | deps-test
	cmake -S . -B $(TEST_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug \
	  -DTIDEMARK_SANITIZE=ON -DTIDEMARK_WERROR=ON -DTIDEMARK_BENCH=OFF

test: deps-test $(TEST_BUILD)/CMakeCache.txt
	cmake --build $(TEST_BUILD) -j $(JOBS)
	ctest --test-dir $(TEST_BUILD) --output-on-failure -j $(JOBS)

# The Qt-free modules alone, as a machine without Qt builds them: Release,
# no sanitizers, no tray application.
HEADLESS_BUILD ?= build-headless

$(HEADLESS_BUILD)/CMakeCache.txt: | deps-test
	cmake -S . -B $(HEADLESS_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DTIDEMARK_GUI=OFF \
	  -DTIDEMARK_BENCH=OFF

test-headless: deps-test $(HEADLESS_BUILD)/CMakeCache.txt
	cmake --build $(HEADLESS_BUILD) -j $(JOBS)
	ctest --test-dir $(HEADLESS_BUILD) --output-on-failure -j $(JOBS)

bench: deps-test $(BUILD)/CMakeCache.txt
	cmake -S . -B $(BUILD) -DTIDEMARK_BENCH=ON
	cmake --build $(BUILD) -j $(JOBS)
	scripts/run-bench $(BUILD)

snapshots: deps-test build
	cmake -S . -B $(BUILD) -DTIDEMARK_TESTS=ON
	cmake --build $(BUILD) -j $(JOBS) --target tidemark_snapshots
	QT_QPA_PLATFORM=offscreen $(BUILD)/tidemark_snapshots $(BUILD)/snapshots
	@# The program in a real Wayland session (sway, waybar, mako), where one can start.
	@tests/e2e/wayland-end-to-end $(BUILD)/tidemark $(BUILD)/e2e-wayland; status=$$?; \
	if [ $$status -eq 0 ]; then cp $(BUILD)/e2e-wayland/e2e-wayland-*.png $(BUILD)/snapshots/; \
	elif [ $$status -ne 77 ]; then exit $$status; fi

# Root: Chromium and Firefox ESR from Debian under Xvfb with heavy pages, the
# figure shown against the memory freed on closing them, then a runaway beside them.
e2e-apps:
	@if [ "$$(id -u)" != 0 ]; then echo "e2e-apps: skipped: needs root"; exit 0; fi; \
	  $(MAKE) --no-print-directory build || exit $$?; \
	  scripts/e2e-apps $(BUILD); status=$$?; \
	  if [ $$status -eq 77 ]; then echo "e2e-apps: skipped (the reason is above)"; exit 0; fi; \
	  exit $$status

# The README's pictures (docs/screenshot-*.png) rendered again from today's
# program; `make test` fails while they differ (ReadmePictures). Rendered by
# the test build, as the check does, so that both see the same pixels.
.PHONY: readme-pictures
readme-pictures: deps-test $(TEST_BUILD)/CMakeCache.txt
	cmake --build $(TEST_BUILD) -j $(JOBS) --target tidemark_snapshots
	rm -rf $(TEST_BUILD)/readme-snapshots
	QT_QPA_PLATFORM=offscreen $(TEST_BUILD)/tidemark_snapshots $(TEST_BUILD)/readme-snapshots
	scripts/readme-pictures $(TEST_BUILD)/readme-snapshots

# Real memory pressure on this machine (root; about an hour, not part of
# `make test`): the probe's readings through every lab mode, then the tray
# application and psi-notify side by side, then before and after a killer
# (the kernel's and earlyoom's) and two bursts that must stay silent. A
# script that cannot run here exits 77; the last line names the skipped ones.
e2e-pressure:
	@if [ "$$(id -u)" != 0 ]; then \
	  echo "e2e-pressure: skipped: needs root (swap files, memory cgroups, hugetlb pages)"; \
	  exit 0; \
	fi; \
	$(MAKE) --no-print-directory build || exit $$?; \
	skipped=; failed=; \
	for script in e2e-pressure e2e-side-by-side e2e-killers; do \
	  scripts/$$script $(BUILD); status=$$?; \
	  case $$status in 0) ;; 77) skipped="$$skipped $$script" ;; *) failed="$$failed $$script" ;; esac; \
	done; \
	if [ -n "$$failed" ]; then \
	  echo "e2e-pressure: failed:$$failed$${skipped:+; skipped:$$skipped}"; exit 1; \
	elif [ -n "$$skipped" ]; then \
	  echo "e2e-pressure: skipped:$$skipped (the reasons are above)"; \
	else \
	  echo "e2e-pressure: passed"; \
	fi

# The two README commands in a fresh minimal Debian 12 root (root; about
# half an hour, see scripts/check-bare). Skipped where debootstrap cannot run.
check-bare:
	@scripts/check-bare; status=$$?; [ $$status -eq 77 ] && status=0; exit $$status

# The Qt-free program, its modules and tests for macOS (x86_64 and arm64),
# built with Zig's clang against the Apple headers it ships, and checked with
# `file`; nothing of it runs here. Fetches Zig once (npm, pinned) into
# ~/.cache/tidemark; exits 77 when the npm registry cannot be reached.
MACOS_BUILD ?= build-macos

cross-macos: deps
	JOBS=$(JOBS) scripts/cross-macos $(MACOS_BUILD)

# libFuzzer on every parser of untrusted bytes, FUZZ_SECONDS each (clang).
# `make test` only replays the saved corpora.
FUZZ_BUILD   ?= build-libfuzzer
FUZZ_SECONDS ?= 60

$(FUZZ_BUILD)/CMakeCache.txt: | deps-test
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DTIDEMARK_FUZZ=ON -DTIDEMARK_GUI=OFF -DTIDEMARK_TESTS=OFF -DTIDEMARK_BENCH=OFF

fuzz: deps-test $(FUZZ_BUILD)/CMakeCache.txt
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target tidemark_fuzzers
	scripts/run-fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS)

# `sudo make install`: the program, its desktop entry, icons, logo and manual
# under PREFIX (DESTDIR stages them elsewhere).
PREFIX        ?= /usr/local
PACKAGE_BUILD ?= build-package

.PHONY: install package

install: deps $(BUILD)/CMakeCache.txt
	cmake -S . -B $(BUILD) -DCMAKE_INSTALL_PREFIX=$(PREFIX)
	cmake --build $(BUILD) -j $(JOBS)
	cmake --install $(BUILD)

# `make package`: $(PACKAGE_BUILD)/tidemark_<version>_<arch>.deb, installed
# under /usr, its dependencies taken from the libraries the program links.
$(PACKAGE_BUILD)/CMakeCache.txt: | deps-test
	cmake -S . -B $(PACKAGE_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_INSTALL_PREFIX=/usr -DTIDEMARK_TESTS=OFF -DTIDEMARK_BENCH=OFF

package: deps-test $(PACKAGE_BUILD)/CMakeCache.txt
	cmake --build $(PACKAGE_BUILD) -j $(JOBS)
	cd $(PACKAGE_BUILD) && cpack -G DEB

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

format-check:
	clang-format --dry-run --Werror $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(TEST_BUILD) $(FUZZ_BUILD) $(PACKAGE_BUILD) $(HEADLESS_BUILD) $(MACOS_BUILD)
