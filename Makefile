# The two commands of a fresh Debian machine: `make run` and `make test`. Each installs what is
# missing, configures and builds; then runs the program or every test.

BUILD_DIR  ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
# CI builds treat every warning as an error. They keep only line tables as debug information
# (file and line in every backtrace), which takes a quarter less compile time than full -g.
ifeq ($(CI),true)
WERROR ?= ON
CONFIGURE_FLAGS ?= -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG"
else
WERROR ?= OFF
CONFIGURE_FLAGS ?=
endif

APT_PACKAGES := cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev \
                libcli11-dev nlohmann-json3-dev qt6-base-dev qt6-svg-dev fonts-liberation \
                libxcb1-dev xvfb poppler-utils python3 dpkg-dev

TARVOS := $(BUILD_DIR)/bin/tarvos
KVR_TARVOS := $(BUILD_DIR)/bin/kvr-tarvos
DEMO_DIR := $(BUILD_DIR)/demo

.PHONY: all deps configure build run demo screenshot test package bench sanitize tsan fuzz clean clang

all: build

deps:
	@missing=""; \
	for p in $(APT_PACKAGES); do \
	  dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  sudo=""; [ "$$(id -u)" -eq 0 ] || sudo=sudo; \
	  $$sudo apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $$sudo apt-get install -y -qq --no-install-recommends $$missing; \
	fi

configure: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DTARVOS_WERROR=$(WERROR) $(CONFIGURE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

# A Debian package of the installation (programs, modules with their registry, desktop entry,
# MIME type, icon, manual): $(BUILD_DIR)/package/kvr-tarvos_VERSION_ARCH.deb.
package: build
	cmake --build $(BUILD_DIR) --target package

# With a display: the window program on the simulated instrument (real time, the simulator's
# default settings; its settings file and the simulator's state live in the demo folder).
# Without one: a headless demonstration with the command-line program.
run: build
	@mkdir -p $(DEMO_DIR)
	@printf '[Simulator]\nImplementation Loss=1.0\nState File=simulator-state.ini\n' > $(DEMO_DIR)/simulator.ini
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  echo "== KVR Tarvos on the simulated receiver (settings: $(DEMO_DIR)/kvr-tarvos.ini)"; \
	  KVR_SIM_CONFIG=$(DEMO_DIR)/simulator.ini $(KVR_TARVOS) --settings $(DEMO_DIR)/kvr-tarvos.ini; \
	else \
	  echo "== No display: the headless demonstration (make demo)"; \
	  $(MAKE) --no-print-directory demo; \
	fi

demo: build
	@mkdir -p $(DEMO_DIR)
	@printf '[Simulator]\nImplementation Loss=1.0\nState File=simulator-state.ini\n' > $(DEMO_DIR)/simulator.ini
	@echo "== A whole sweep of 64-QAM on the simulated receiver (waits shortened 100 times)"
	KVR_SIM_CONFIG=$(DEMO_DIR)/simulator.ini $(TARVOS) sweep --settings $(DEMO_DIR)/demo.ini --time-scale 0.01 \
	  --write-settings --out $(DEMO_DIR)/sweep.tvd --text $(DEMO_DIR)/sweep.txt
	@echo "== The measured document: receiver settings, samples and END"
	$(TARVOS) --settings $(DEMO_DIR)/demo.ini info $(DEMO_DIR)/sweep.tvd
	@echo "== The same document as a text table"
	@cat $(DEMO_DIR)/sweep.txt; echo
	@echo "== Its diagram as the window draws it: $(DEMO_DIR)/sweep.png"
	$(TARVOS) --settings $(DEMO_DIR)/demo.ini render $(DEMO_DIR)/sweep.tvd -o $(DEMO_DIR)/sweep.png
	@echo "== The window program prints the same document: $(DEMO_DIR)/sweep.pdf"
	QT_QPA_PLATFORM=offscreen $(KVR_TARVOS) --settings $(DEMO_DIR)/demo.ini --print $(DEMO_DIR)/sweep.tvd \
	  --print-to $(DEMO_DIR)/sweep.pdf
	@echo "== Theoretical BER of 64-QAM at a few S/N values (S/N, formula, extrapolation)"
	$(TARVOS) --settings $(DEMO_DIR)/demo.ini theory --at 20 --at 25 --at 30 --at 32
	@echo "== The instrument library directly: a KVRPort object created by its ProgID"
	$(TARVOS) port --list | head -n 5
	KVR_SIM_CONFIG=$(DEMO_DIR)/simulator.ini $(TARVOS) port --time-scale 0 "SelectDriver(2)" OnLine=true Identity \
	  AvailableOptions SystemMode

# The window after a simulated measurement, for the README: docs/window.png (needs Xvfb).
screenshot: build
	bash docs/make_screenshot.sh $(BUILD_DIR)

bench: build
	bench/run.sh $(BUILD_DIR)

# The tests under AddressSanitizer with UndefinedBehaviorSanitizer, and under ThreadSanitizer.
# The sanitizer build is optimised a little (-O1): the checks stay exact and the suite runs
# several times faster than at -O0, which keeps CI well inside its time. Line tables (-g1) are
# all that the sanitizers' reports need for file and line, at a quarter less compile time.
sanitize: deps
	cmake -S . -B $(BUILD_DIR)-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" \
	  -DTARVOS_WERROR=ON -DTARVOS_SANITIZE=address,undefined -DTARVOS_BUILD_BENCH=OFF
	cmake --build $(BUILD_DIR)-asan -j $(JOBS)
	ctest --test-dir $(BUILD_DIR)-asan --output-on-failure -j $(JOBS)

tsan: deps
	cmake -S . -B $(BUILD_DIR)-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARVOS_WERROR=ON \
	  -DTARVOS_SANITIZE=thread -DTARVOS_BUILD_BENCH=OFF
	cmake --build $(BUILD_DIR)-tsan -j $(JOBS)
	TSAN_OPTIONS="suppressions=$(CURDIR)/tests/tsan-qt.supp" \
	  ctest --test-dir $(BUILD_DIR)-tsan --output-on-failure -j $(JOBS)

# The same build and tests with Debian's clang: the project must compile with it as with g++.
clang:
	@$(MAKE) --no-print-directory deps APT_PACKAGES="$(APT_PACKAGES) clang"
	cmake -S . -B $(BUILD_DIR)-clang -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DCMAKE_CXX_COMPILER=clang++ \
	  -DTARVOS_WERROR=ON -DTARVOS_BUILD_BENCH=OFF
	cmake --build $(BUILD_DIR)-clang -j $(JOBS)
	ctest --test-dir $(BUILD_DIR)-clang --output-on-failure -j $(JOBS)

# Every fuzz harness of tests/fuzz with libFuzzer (clang, AddressSanitizer, UBSan) for
# FUZZ_SECONDS each, on a copy of its seed corpus; prints executions, corpus size and crashes.
FUZZ_SECONDS ?= 60
FUZZ_BUILD_DIR ?= $(BUILD_DIR)-fuzz
fuzz:
	@$(MAKE) --no-print-directory deps APT_PACKAGES="$(APT_PACKAGES) clang libclang-rt-dev"
	cmake -S . -B $(FUZZ_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	  -DTARVOS_FUZZ=ON -DTARVOS_WERROR=$(WERROR) -DTARVOS_BUILD_BENCH=OFF
	cmake --build $(FUZZ_BUILD_DIR) -j $(JOBS) --target fuzz_harnesses
	tests/fuzz/run_fuzzers.sh $(FUZZ_BUILD_DIR) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD_DIR) $(BUILD_DIR)-asan $(BUILD_DIR)-tsan $(BUILD_DIR)-clang $(BUILD_DIR)-fuzz
