# The two commands of the README: `make run` and `make test`. `make bench` runs the benchmarks.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
ARGS ?=

.PHONY: deps configure build test bench run clean format

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@# moc's step does not notice sources added since the last build (CMake 3.25 with Ninja): let it look
	@# again, which costs little when nothing changed.
	@rm -f $(BUILD_DIR)/*/*_autogen/timestamp

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
