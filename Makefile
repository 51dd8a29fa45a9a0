# Entry points for people and CI. `make test` is what CI runs.
SHELL := /bin/bash
MAKEFLAGS += --no-print-directory
JOBS ?= $(shell nproc)
WIN_TOOLCHAIN := cmake/mingw-w64-x86_64.cmake

.PHONY: all deps deps-native win native release tsan test test-native test-tsan test-win check-layers demo bench fuzz dist clean

all: win native

deps:
	@scripts/install-deps

# The portable tests alone need no MinGW, Wine, clang or Google Benchmark.
deps-native:
	@scripts/install-deps native

build/win/CMakeCache.txt: | deps
	cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=$(WIN_TOOLCHAIN) -DCMAKE_BUILD_TYPE=Release

build/native/CMakeCache.txt: | deps-native
	cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Debug -DMURIVO_SANITIZE=ON

build/tsan/CMakeCache.txt: | deps-native
	cmake -S tests/tsan -B build/tsan

build/release/CMakeCache.txt: | deps
	cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DMURIVO_SANITIZE=OFF

win: deps build/win/CMakeCache.txt
	cmake --build build/win -j $(JOBS)

native: deps-native build/native/CMakeCache.txt
	cmake --build build/native -j $(JOBS)

# ThreadSanitizer over the keying tests and the thread pool's test (tests/tsan).
tsan: deps-native build/tsan/CMakeCache.txt
	cmake --build build/tsan -j $(JOBS)

release: deps build/release/CMakeCache.txt
	cmake --build build/release -j $(JOBS)

test-native: native
	ctest --test-dir build/native --output-on-failure -V

test-tsan: tsan
	ctest --test-dir build/tsan --output-on-failure

test-win: win
	scripts/with-wine ctest --test-dir build/win --output-on-failure -V

# Every #include under src/ points to its own folder or one below it.
check-layers:
	scripts/check-layers

test: check-layers test-native test-tsan test-win

demo: win
	scripts/demo

bench: release
	build/release/bench/murivo_bench

# libFuzzer needs clang; its own tree. The native tree (and so `make test`) replays each
# target's committed corpus with g++ and the sanitizers instead.
FUZZ_BUILD ?= build/fuzz
FUZZ_SECONDS ?= 60
fuzz:
	FUZZ_BUILD=$(FUZZ_BUILD) scripts/fuzz $(FUZZ_SECONDS)

# The release for users: dist/murivo-<version>-win64.zip, the DLL's SHA-256, the host package
# murivo-<version>-win64.ReaperPkg and the package manager's index.xml. The index points to
# $(MURIVO_DOWNLOAD_URL)/<version>/reaper_murivo.dll; empty means the maker's address + /releases.
MURIVO_DOWNLOAD_URL ?=
dist: win
	MURIVO_DOWNLOAD_URL='$(MURIVO_DOWNLOAD_URL)' scripts/dist build/win

clean:
	rm -rf build out dist
