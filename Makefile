# The two commands of the README. Both install what is missing first.
BUILD ?= build
JOBS ?= 2

.PHONY: setup build run test asan-test bench fuzz clean

setup:
	bash scripts/setup.sh

build: setup
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j$(JOBS)

run: build
	@echo "Sample clip to open: $(CURDIR)/$(BUILD)/bin/samples/sample.avi"
	cd $(BUILD)/bin && ./vidlark

test: build
	bash scripts/run_tests.sh $(BUILD)

# `make fuzz SECONDS=3600`: the libFuzzer target over hostile AVI files (RELIABILITY.md).
SECONDS ?= 60
fuzz: setup
	bash fuzz/run.sh $(BUILD)-fuzz seconds $(SECONDS)

bench: build
	bash bench/compare.sh $(BUILD)/bin

clean:
	rm -rf $(BUILD) build-asan $(BUILD)-fuzz
