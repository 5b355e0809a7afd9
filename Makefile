# The README's two commands, for those who have make; ./run.sh and ./test.sh do the
# same on a machine that has nothing yet. Both install what is missing first.
BUILD ?= build
JOBS ?= 2

.PHONY: run test build package bench fuzz clean

# A first build for running only needs no GoogleTest; a tree configured with the
# tests keeps them.
run:
	bash scripts/setup.sh run
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(if $(wildcard $(BUILD)/CMakeCache.txt),,-DBUILD_TESTING=OFF)
	cmake --build $(BUILD) -j$(JOBS)
	@echo "Sample clip to open: $(CURDIR)/$(BUILD)/bin/samples/sample.avi"
	cd $(BUILD)/bin && ./vidlark

test:
	bash scripts/setup.sh test
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON
	cmake --build $(BUILD) -j$(JOBS)
	bash scripts/run_tests.sh $(BUILD)

# The .deb as a packager builds it: no tests, its own folder.
package:
	bash scripts/setup.sh test
	cmake -S . -B build-package -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DVIDLARK_SAMPLE_CLIP=OFF
	cmake --build build-package -j$(JOBS)
	cd build-package && cpack

bench:
	bash scripts/setup.sh test
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j$(JOBS)
	bash bench/compare.sh $(BUILD)/bin

# `make fuzz SECONDS=3600`: the libFuzzer target over hostile AVI files (RELIABILITY.md).
SECONDS ?= 60
fuzz:
	bash scripts/setup.sh test
	bash fuzz/run.sh $(BUILD)-fuzz seconds $(SECONDS)

clean:
	rm -rf $(BUILD) $(BUILD)-asan $(BUILD)-tsan $(BUILD)-fuzz build-package
