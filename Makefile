# Kestrelfind: the two everyday commands are `make run` and `make test`.
BUILD ?= build
JOBS ?= 2
CMAKE_ARGS ?=
CTEST_ARGS ?=
CONFIGURE := cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(if $(CI),-DKF_WERROR=ON) $(CMAKE_ARGS)

.PHONY: deps build run test demo fuzz bench format format-check clean

deps:
	@bash scripts/install-deps.sh

build: deps
	@$(CONFIGURE) >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)

run:
	@bash scripts/run.sh --check-display
	@$(MAKE) --no-print-directory build
	@bash scripts/run.sh $(BUILD)/src/app/kestrelfind

test: build
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS) $(CTEST_ARGS)

demo: build
	@bash scripts/demo.sh $(BUILD)

fuzz: deps
	@bash scripts/fuzz.sh

bench: build
	@bash bench/run.sh $(BUILD)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

format-check:
	@git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

clean:
	rm -rf $(BUILD)
