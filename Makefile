# The two everyday commands: `make run` and `make test`.
PRESET ?= dev
BUILD  := build/$(PRESET)

.PHONY: deps configure build run test bench format clean

deps:
	@scripts/install-deps

configure: deps
	@test -f $(BUILD)/build.ninja || cmake --preset $(PRESET)

build: configure
	cmake --build $(BUILD)

run: build
	$(BUILD)/src/quillory

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j2

bench: deps
	@test -f build/release/build.ninja || cmake --preset release
	cmake --build build/release --target benches quillory-cli
	bench/run-all build/release

format:
	find src tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf build
