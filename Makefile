# The two commands a new machine needs: `make run` and `make test`.
BUILD ?= build
CONFIG ?= RelWithDebInfo

.PHONY: deps configure build run test bench screenshot clean

deps:
	@scripts/install-deps.sh

configure: deps
	@[ -f $(BUILD)/build.ninja ] || cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(CONFIG)

build: configure
	cmake --build $(BUILD)

run: build
	$(BUILD)/cellwinnow

test: build
	cd $(BUILD) && ctest --output-on-failure --timeout 900

bench: build
	$(BUILD)/bench_engine

screenshot: build
	scripts/screenshot.sh docs/window.png

clean:
	rm -rf $(BUILD)
