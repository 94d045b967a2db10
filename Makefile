# Kestrin: the top-level commands. `make check` is what CI runs.

BUILD       ?= build
BUILD_ASAN  ?= build-asan
BUILD_FUZZ  ?= build-fuzz
JOBS        ?= $(shell nproc)
FUZZ_SECONDS ?= 15

CMAKE_FLAGS := -G Ninja
ifneq ($(CI),)
CMAKE_FLAGS += -DKESTRIN_WERROR=ON
endif

DEMO        ?= $(BUILD)/demo

.PHONY: all build deps check test check-asan check-fuzz format clean run demo bench

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

check: deps
	$(MAKE) test
	$(MAKE) check-asan
	$(MAKE) check-fuzz

# The program from its program folder, with the libraries built beside it.
run: build
	$(BUILD)/bin/kestrin

# The program in a program folder of its own (its own Data/ and res/), as a fresh install.
demo: build
	rm -rf $(DEMO)
	cp -a $(BUILD)/bin $(DEMO)
	rm -rf $(DEMO)/Data
	$(DEMO)/kestrin

# Cold start to the main window shown, and peak memory, over several runs.
bench: build
	bench/startup.sh $(BUILD)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_FUZZ)
