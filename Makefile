# Kestrin: the top-level commands. `make check` is what CI runs.

BUILD       ?= build
BUILD_ASAN  ?= build-asan
BUILD_FUZZ  ?= build-fuzz
BUILD_TSAN  ?= build-tsan
JOBS        ?= $(shell nproc)
FUZZ_SECONDS ?= 15
PREFIX      ?= /usr/local

CMAKE_FLAGS := -G Ninja
ifneq ($(CI),)
CMAKE_FLAGS += -DKESTRIN_WERROR=ON
endif

DEMO        ?= $(BUILD)/demo

.PHONY: all build deps check test check-asan check-tsan check-fuzz format clean run demo bench install package

all: build

deps:
	tools/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

$(BUILD_ASAN)/build.ninja:
	cmake -S . -B $(BUILD_ASAN) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Debug -DKESTRIN_SANITIZE=ON

check-asan: $(BUILD_ASAN)/build.ninja
	cmake --build $(BUILD_ASAN) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(BUILD_ASAN) --output-on-failure -j $(JOBS)

$(BUILD_FUZZ)/build.ninja:
	cmake -S . -B $(BUILD_FUZZ) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Debug -DKESTRIN_FUZZ=ON \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++

check-fuzz: $(BUILD_FUZZ)/build.ninja
	cmake --build $(BUILD_FUZZ) -j $(JOBS)
	tools/fuzz.sh $(BUILD_FUZZ) $(FUZZ_SECONDS)

# ThreadSanitizer over the code that runs threads: the apply engine, its worker and the
# driver libraries. Only those tests are built, to keep CI short.
TSAN_TESTS := device_engine_test apply_virtual_mouse_test
TSAN_FLAGS := -fsanitize=thread -fno-omit-frame-pointer

$(BUILD_TSAN)/build.ninja:
	cmake -S . -B $(BUILD_TSAN) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_C_FLAGS="$(TSAN_FLAGS)" -DCMAKE_CXX_FLAGS="$(TSAN_FLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread -DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread \
	  -DCMAKE_MODULE_LINKER_FLAGS=-fsanitize=thread

check-tsan: $(BUILD_TSAN)/build.ninja
	cmake --build $(BUILD_TSAN) -j $(JOBS) --target $(TSAN_TESTS)
	for t in $(TSAN_TESTS); do \
	  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 $(BUILD_TSAN)/tests/$$t || exit 1; \
	done

check: deps
	@for step in test check-asan check-tsan check-fuzz; do \
	  start=$$(date +%s); \
	  $(MAKE) $$step || exit 1; \
	  echo "check: $$step took $$(($$(date +%s) - start)) s"; \
	done

# The program folder to $(PREFIX)/lib/kestrin, the udev rule, and a udev reload.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)
# A Debian package of the same install, prefix /usr (CPack's DEB generator); its path is printed.
package: build
	cd $(BUILD) && cpack -G DEB
	@echo "package: $$(ls -t $(BUILD)/kestrin_*.deb | head -n 1)"
# The program from its program folder, with the libraries built beside it.
run: build
	$(BUILD)/bin/kestrin

# The program in a program folder of its own (its own Data/ and res/), as a fresh install,
# with the virtual driver libraries and a virtual mouse on the cable; the mouse stops with it.
# Its Bluetooth side is served on a bus of its own, which the program takes for the system bus:
# `kestrin-virtual-mouse --folder build/demo plug ble` (then `unplug cable`) brings the
# Bluetooth link up.
DEMO_MOUSE = $(DEMO)/kestrin-virtual-mouse --folder $(DEMO)

demo: build
	-[ -x $(DEMO)/kestrin-virtual-mouse ] && $(DEMO_MOUSE) stop 2>/dev/null
	rm -rf $(DEMO)
	cp -a $(BUILD)/bin $(DEMO)
	rm -rf $(DEMO)/Data
	cp $(BUILD)/virtual-drivers/libhiddriver_1.so $(BUILD)/virtual-drivers/libhiddriver_2.so $(DEMO)/
	$(DEMO_MOUSE) start --plug cable --bluetooth --background
	trap '$(DEMO_MOUSE) stop >/dev/null 2>&1' EXIT INT TERM; \
	  DBUS_SYSTEM_BUS_ADDRESS=$$($(DEMO_MOUSE) ble-bus) $(DEMO)/kestrin

# Benchmarks print ratios against peers measured in the same run; not part of check.
# The start-up benchmark: start to the main window mapped, with a virtual mouse on the cable,
# and peak memory, against a bare Qt window; again over 200 profiles.
bench: $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS) --target store_bench apply_bench ui_stall_bench kestrin \
	  kestrin-virtual-mouse virtual_hiddriver_1 virtual_hiddriver_2 bench_qt_floor \
	  bench_start_watch bench_profile_fill kestrin_send_command kestrin_page_probe \
	  bench_repaint_floor bench_window_floor library_open_bench kestrinctl
	$(BUILD)/bench/store_bench
	$(BUILD)/bench/apply_bench
	$(BUILD)/bench/ui_stall_bench
	bench/library.sh $(BUILD)
	bench/startup.sh $(BUILD)
	bench/idle.sh $(BUILD)
	bench/autoswitch.sh $(BUILD)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_TSAN) $(BUILD_FUZZ)
