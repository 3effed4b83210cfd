# What people type. Every target installs missing Debian packages first
# (scripts/install-deps returns at once when everything is there).

BUILD      ?= build
TEST_BUILD ?= build-asan
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
ARGS       ?=
CMAKE_GEN  := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

.PHONY: all deps build run probe test bench snapshots format format-check clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DTIDEMARK_TESTS=OFF

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/tidemark $(ARGS)

probe: build
	$(BUILD)/tidemark --probe $(ARGS)

$(TEST_BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(TEST_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug \
	  -DTIDEMARK_SANITIZE=ON -DTIDEMARK_WERROR=ON -DTIDEMARK_BENCH=OFF

test: deps $(TEST_BUILD)/CMakeCache.txt
	cmake --build $(TEST_BUILD) -j $(JOBS)
	ctest --test-dir $(TEST_BUILD) --output-on-failure -j $(JOBS)

bench: deps $(BUILD)/CMakeCache.txt
	cmake -S . -B $(BUILD) -DTIDEMARK_BENCH=ON
	cmake --build $(BUILD) -j $(JOBS)
	scripts/run-bench $(BUILD)

snapshots: build
	cmake -S . -B $(BUILD) -DTIDEMARK_TESTS=ON
	cmake --build $(BUILD) -j $(JOBS) --target tidemark_snapshots
	QT_QPA_PLATFORM=offscreen $(BUILD)/tidemark_snapshots $(BUILD)/snapshots

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

format-check:
	clang-format --dry-run --Werror $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(TEST_BUILD)
