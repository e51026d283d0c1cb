# make run   - install what is missing, build (optimised) and play
# make test  - install what is missing, build and run every test (also under
#              the sanitizers)
# make assets - rebuild image/ and bgm/ (and the docs/ sheets, the icons) from tools/assets
# make install PREFIX=DIR - build and install the game and its verifier (in games/), their
#              data, manual pages, desktop entry and icon
# make package - build a Debian package of the same (build/quillmoor_*.deb)
# make web     - the game as a web page in build-web/dist/; make serve-web serves it
# make windows - the game for Windows, build-windows/quillmoor-VERSION-win64.zip
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: run test test-fast test-sanitizers test-asan test-tsan build deps bench bench-window fuzz \
  fuzz-run assets clean game install package web serve-web test-web deps-web bench-web \
  windows test-windows deps-windows bench-windows

deps:
	@scripts/install-deps

$(BUILD)/CMakeCache.txt:
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null

build: deps $(BUILD)/CMakeCache.txt
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/quillmoor

PREFIX ?= /usr/local

# Both build what is installed (the two programs, the manual pages), not the tests.
game: deps $(BUILD)/CMakeCache.txt
	@cmake --build $(BUILD) --target installable -j $(JOBS)

install: game
	cmake --install $(BUILD) --prefix $(PREFIX)

package: game
	cd $(BUILD) && cpack -G DEB

# make test runs every test in the optimised build, then every test again
# under the address and undefined-behaviour sanitizers, then the whole-run
# tests under the thread sanitizer. make test-fast runs the first stage only.
SAN_ENV = ASAN_OPTIONS=abort_on_error=1:detect_leaks=1 \
  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  TSAN_OPTIONS=suppressions=$(CURDIR)/tests/tsan.supp:halt_on_error=1
SCENARIO_LABELS = ^(scenario|play_scenario|soak|faults)$$
# The sanitizer builds are compiled at -O1 with line tables only (-g1): about
# half the compile time of -O2 -g, still full file:line in every report; same
# NDEBUG as the optimised build, so the same code is checked.
SAN_OPT = -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" \
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG"

test: test-fast test-sanitizers test-web test-windows

test-fast: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-sanitizers: test-asan test-tsan

test-asan: deps
	@cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_SANITIZE=address \
	  -DQM_BENCH=OFF -DQM_TOOLS=OFF $(SAN_OPT) >/dev/null
	@$(SAN_ENV) cmake --build build-asan -j $(JOBS)
	$(SAN_ENV) ctest --test-dir build-asan --output-on-failure -j $(JOBS)

test-tsan: deps
	@cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_SANITIZE=thread \
	  -DQM_BENCH=OFF -DQM_TOOLS=OFF $(SAN_OPT) >/dev/null
	@$(SAN_ENV) cmake --build build-tsan --target scenario_tests -j $(JOBS)
	$(SAN_ENV) ctest --test-dir build-tsan -L '$(SCENARIO_LABELS)' --output-on-failure -j $(JOBS)

bench: build
	./$(BUILD)/bench/quillmoor_bench

# The real window's cost: the game in play beside a bare SDL window (Xvfb).
bench-window: build
	bench/window/bench-window $(BUILD)

# make fuzz      - build the fuzz targets (clang, libFuzzer) and their seed corpora
# make fuzz-run  - run every fuzz target for FUZZ_TIME seconds on its corpus;
#                  crashes land in $(FUZZ_BUILD)/crashes
FUZZ_BUILD ?= build-fuzz
FUZZ_TIME ?= 60

$(FUZZ_BUILD)/CMakeCache.txt:
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DQM_FUZZ=ON \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

fuzz: deps $(FUZZ_BUILD)/CMakeCache.txt
	@cmake --build $(FUZZ_BUILD) --target fuzz_all -j $(JOBS)

fuzz-run: fuzz
	@mkdir -p $(FUZZ_BUILD)/crashes
	@set -e; for t in $(FUZZ_BUILD)/fuzz/fuzz_*; do \
	  [ -x "$$t" ] || continue; n=$${t##*/fuzz_}; \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$n; \
	  echo "fuzz_$$n for $(FUZZ_TIME) s"; \
	  $$t -max_total_time=$(FUZZ_TIME) -print_final_stats=1 \
	    -artifact_prefix=$(FUZZ_BUILD)/crashes/$$n- $(FUZZ_BUILD)/corpus/$$n; \
	done

clean:
	rm -rf $(BUILD) build-asan build-tsan $(WEB_BUILD) $(WIN_BUILD)

assets: deps $(BUILD)/CMakeCache.txt
	@cmake --build $(BUILD) --target qm_imagegen qm_mmlc -j $(JOBS)
	./$(BUILD)/tools/qm_imagegen --assets tools/assets --out image \
	  --sheet docs/contact-sheet.png --pictures docs/pictures.png \
	  --icon-bmp image --icon-png desktop
	./$(BUILD)/tools/qm_mmlc --out-dir bgm tools/assets/music/*.mml

# $(call cross-configure,TARGET,FOLDER,CMAKE...): configures FOLDER for a
# cross-built game against its libraries from scripts/cross-libs TARGET
# (built first if missing), afresh whenever those change; quiet unless it
# fails, when the end of its log is shown.
cross-configure = prefix="$$(JOBS=$(JOBS) scripts/cross-libs $(1) --prefix-path)" && mkdir -p $(2) && \
  { [ "$$(cat $(2)/cross-libs 2>/dev/null)" = "$$prefix" ] || rm -f $(2)/CMakeCache.txt; } && \
  echo "$$prefix" > $(2)/cross-libs && \
  { $(3) -S . -B $(2) "-DCMAKE_PREFIX_PATH=$$prefix" "-DCMAKE_FIND_ROOT_PATH=$$prefix" \
      -DQM_MIDIRENDER=$(CURDIR)/$(BUILD)/tools/qm_midirender > $(2)/configure.log 2>&1 || \
    { tail -20 $(2)/configure.log >&2; echo "$(1): configuring $(2) failed" >&2; exit 1; }; }

# The browser page: Debian's Emscripten, with SDL2, FreeType, libpng and zlib
# built once from Debian's source packages into a cache outside the clone
# (scripts/cross-libs web), and the music recorded by the native qm_midirender.
WEB_BUILD ?= build-web
WEB_PORT ?= 8023
# Debian's em++ runs with whatever node comes first; it finds its modules here.
WEB_ENV = NODE_PATH=/usr/share/nodejs

deps-web:
	@scripts/install-deps web

web: deps-web $(BUILD)/CMakeCache.txt
	@cmake --build $(BUILD) --target qm_midirender -j $(JOBS) >/dev/null
	@$(call cross-configure,web,$(WEB_BUILD),$(WEB_ENV) emcmake cmake -DCMAKE_BUILD_TYPE=Release)
	@$(WEB_ENV) cmake --build $(WEB_BUILD) -j $(JOBS)
	@echo "web: the page is in $(WEB_BUILD)/dist/ (make serve-web to play it)"

serve-web: web
	@echo "Quillmoor at http://localhost:$(WEB_PORT)/ (Ctrl+C to stop)"
	@python3 -m http.server $(WEB_PORT) --bind 127.0.0.1 --directory $(WEB_BUILD)/dist >/dev/null

# The boss frame in the page's build against the native one, timed alike.
bench-web: web
	@cmake --build $(BUILD) --target bench_boss_frame -j $(JOBS) >/dev/null
	@$(WEB_ENV) cmake --build $(WEB_BUILD) --target bench_boss_frame_web -j $(JOBS) >/dev/null
	@native=$$(./$(BUILD)/bench/bench_boss_frame .) && page=$$(node $(WEB_BUILD)/bench/web/bench_boss_frame_web.js .) && \
	  echo "boss frame: native $$native us, page $$page us, $$(echo "$$page $$native" | awk '{printf "%.2f", $$1 / $$2}')x"

# The page played in Chromium (tests/web). Where Chromium or Emscripten is
# missing and cannot be installed, the stage says so and is skipped, except
# in CI (CI set), where it must run.
test-web:
	@if ! scripts/install-deps web; then \
	  if [ -n "$${CI:-}" ]; then echo "test-web: the browser stage cannot run here" >&2; exit 1; fi; \
	  echo "test-web: SKIPPED: Chromium or Emscripten is missing and cannot be installed (run as root)"; \
	  exit 0; \
	fi; \
	$(MAKE) --no-print-directory web && cmake --build $(BUILD) --target quillmoor-sim -j $(JOBS) >/dev/null && \
	  QM_WEB_BUILD=$(CURDIR)/$(WEB_BUILD) QM_WEB_DIST=$(CURDIR)/$(WEB_BUILD)/dist \
	  QM_SIM=$(CURDIR)/$(BUILD)/quillmoor-sim tests/web/run

# The Windows game: cross-built with Debian's mingw-w64, its libraries built
# once from Debian's source packages into a cache outside the clone
# (scripts/cross-libs), its music recorded and its fonts cut down as the
# page's are (cmake/game-data.cmake), packed by desktop/windows.cmake. The
# optimisation is the native build's; no debug information, as the .exe
# ships stripped.
WIN_BUILD ?= build-windows

deps-windows:
	@scripts/install-deps windows

windows: deps-windows $(BUILD)/CMakeCache.txt
	@cmake --build $(BUILD) --target qm_midirender -j $(JOBS) >/dev/null
	@$(call cross-configure,windows,$(WIN_BUILD),cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" \
	  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG")
	@cmake --build $(WIN_BUILD) --target windows_zip -j $(JOBS)
	@echo "windows: $$(ls $(WIN_BUILD)/quillmoor-*-win64.zip)"

# The boss frame's step under wine beside the native build's, each with its
# own run's yardstick (a full-screen copy).
WIN_BENCH = BM_StepFrameBossScene$$|BM_Memcpy320x240|BM_CopyLoop320x240
bench-windows: windows build
	@prefix="$$(JOBS=$(JOBS) scripts/cross-libs windows --prefix-path --bench)" && \
	  cmake -S . -B $(WIN_BUILD) "-DCMAKE_PREFIX_PATH=$$prefix" "-DCMAKE_FIND_ROOT_PATH=$$prefix" >/dev/null
	@cmake --build $(WIN_BUILD) --target quillmoor_bench -j $(JOBS)
	./$(BUILD)/bench/quillmoor_bench --benchmark_filter='$(WIN_BENCH)' --benchmark_repetitions=5
	cd $(WIN_BUILD) && WINEPREFIX=$(CURDIR)/$(WIN_BUILD)/wine WINEDEBUG=-all \
	  /usr/lib/wine/wine64 quillmoor_bench.exe --benchmark_filter='$(WIN_BENCH)' --benchmark_repetitions=5

# The Windows game played under wine (tests/windows/run). Where wine or the
# cross compilers are missing and cannot be installed, the stage says so and
# is skipped, except in CI (CI set), where it must run.
test-windows:
	@if ! scripts/install-deps windows; then \
	  if [ -n "$${CI:-}" ]; then echo "test-windows: the Windows stage cannot run here" >&2; exit 1; fi; \
	  echo "test-windows: SKIPPED: wine or mingw-w64 is missing and cannot be installed (run as root)"; \
	  exit 0; \
	fi; \
	$(MAKE) --no-print-directory windows && \
	  cmake --build $(BUILD) --target quillmoor-sim test_shell -j $(JOBS) >/dev/null && \
	  cmake --build $(WIN_BUILD) --target test_files -j $(JOBS) >/dev/null && \
	  tests/windows/run $(CURDIR)/$(WIN_BUILD) $(CURDIR)/$(BUILD)
