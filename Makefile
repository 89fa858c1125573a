# The two commands of the README: `make run` and `make test`. `make bench` runs the benchmarks.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
ARGS ?=

.PHONY: deps configure build test bench run clean format

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

bench: build
	@bash bench/run-all.sh $(BUILD_DIR)

run: build
	@$(BUILD_DIR)/Ambertrove/ambertrove $(ARGS)

format:
	@git ls-files '*.cpp' '*.hpp' | xargs clang-format -i

clean:
	@rm -rf $(BUILD_DIR)
