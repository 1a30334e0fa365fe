# Front door: make run | demo | test | test-sanitize | test-thread | bench | fuzz | format
#             | web | test-web | bench-web
BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
BENCH_BUILD ?= build-bench
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja

.PHONY: all deps build run demo test test-sanitize test-thread bench fuzz format clean \
        web-deps web web-site web-serve test-web bench-web

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -x $(BUILD)/pictorel ]; then $(BUILD)/pictorel; else $(MAKE) --no-print-directory demo; fi

demo: build
	@scripts/demo $(BUILD)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

$(ASAN_BUILD)/build.ninja: | deps
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DPICTOREL_SANITIZE=ON \
	  -DPICTOREL_BENCH=OFF -DPICTOREL_WERROR=ON

test-sanitize: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

# ThreadSanitizer over the threaded core (workers, prefetch, the editor's
# square filled beside its decoder, memory budget):
# only the imaging, editor, workflow and command-line tests, without Qt, which is not
# built with the sanitizer. The resampler's per-processor variants are left
# out: their resolvers run before the sanitizer's runtime is set up.
TSAN_TESTS := test_imaging test_editor test_workflow test_cli
$(TSAN_BUILD)/build.ninja: | deps
	cmake -S . -B $(TSAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPICTOREL_GUI=OFF \
	  -DPICTOREL_SCALAR_ONLY=ON \
	  -DPICTOREL_BENCH=OFF -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_C_FLAGS=-fsanitize=thread \
	  -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread

test-thread: deps $(TSAN_BUILD)/build.ninja
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target pictorel-cli $(TSAN_TESTS)
	set -e; for t in $(TSAN_TESTS); do \
	  echo "== $$t"; \
	  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 $(TSAN_BUILD)/tests/$$t --gtest_brief=1; \
	done

$(BENCH_BUILD)/build.ninja: | deps
	cmake -S . -B $(BENCH_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DPICTOREL_TESTS=OFF

bench: deps $(BENCH_BUILD)/build.ninja
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	@scripts/bench $(BENCH_BUILD)

$(FUZZ_BUILD)/build.ninja: | deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DPICTOREL_FUZZ=ON -DPICTOREL_GUI=OFF -DPICTOREL_TESTS=OFF -DPICTOREL_BENCH=OFF

# FUZZ_SECONDS per target (default 60).
fuzz: deps $(FUZZ_BUILD)/build.ninja
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@scripts/fuzz $(FUZZ_BUILD) $${FUZZ_SECONDS:-60}

format:
	find src tests bench fuzz -name '*.cpp' -o -name '*.h' | xargs clang-format -i

# The web page: web/ copied into build-web/site/ beside the core that `make web` builds there
# (npm ci fetches the ZIP writer and the test driver from web/package-lock.json).
WEB_SITE ?= build-web/site
WEB_PORT ?= 8021
web-site:
	@web/build-site $(WEB_SITE)

# Serves the built site on this machine only; any static file host serves it the same way.
web-serve: web-site
	@echo "Pictorel: http://127.0.0.1:$(WEB_PORT)/  (Ctrl+C to stop)"
	@python3 -m http.server $(WEB_PORT) --bind 127.0.0.1 --directory $(WEB_SITE)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD)

# The WebAssembly build (no Qt, no threads): pictorel-cli.js for node and the page's module
# site/core/pictorel-core.js, against the codec libraries scripts/build-web-deps makes from
# Debian's sources (once: a stamped prefix is kept). Needs PICTOREL_WEB_TOOLS=1 scripts/install-deps.
WEB_BUILD ?= build-web
WEB_DEPS  ?= $(CURDIR)/$(WEB_BUILD)/deps
WEB_ENV   := NODE_PATH=/usr/share/nodejs EMSDK_PYTHON=/usr/bin/python3
NODE_WEB  := node --no-experimental-fetch

web-deps:
	@PICTOREL_WEB_TOOLS=1 scripts/install-deps
	$(WEB_ENV) scripts/build-web-deps $(WEB_DEPS)

$(WEB_BUILD)/build.ninja: | web-deps
	$(WEB_ENV) cmake -S . -B $(WEB_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/WebToolchain.cmake -DPICTOREL_WEB_DEPS=$(WEB_DEPS)

web: web-deps $(WEB_BUILD)/build.ninja
	$(WEB_ENV) cmake --build $(WEB_BUILD) -j $(JOBS) --target pictorel-cli pictorel-core
	@web/build-site $(CURDIR)/$(WEB_BUILD)/site

# The node build against the native one over the picture corpus (same bytes, same messages),
# and the module's own node tests. (The native command-line tests also run against the node
# build with PICTOREL_CLI="node --no-experimental-fetch build-web/pictorel-cli.js"
# build/tests/test_cli; one shrink case there does not finish yet, so it is not part of this.)
# The page's browser tests join in when web/tests/run is there.
test-web: web $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS) --target pictorel-cli test_cli
	python3 tests/web/compare-cli.py --native $(BUILD)/pictorel-cli \
	  --web "$(NODE_WEB) $(WEB_BUILD)/pictorel-cli.js"
	PICTOREL_WEB_BUILD=$(CURDIR)/$(WEB_BUILD) PICTOREL_NATIVE_CLI=$(CURDIR)/$(BUILD)/pictorel-cli \
	  node --no-experimental-fetch --test tests/web/
	@if [ -x web/tests/run ]; then web/tests/run $(WEB_BUILD); fi

# node build against native build: shrink --jobs 1 of the benchmark photos and a HEIC.
bench-web: web $(BENCH_BUILD)/build.ninja
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target pictorel-cli
	scripts/bench-web $(BENCH_BUILD)/pictorel-cli $(WEB_BUILD)/pictorel-cli.js
