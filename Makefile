# The two commands: `make demo` builds and plays the demo, `make test` builds and runs
# every test. Both install missing Debian packages first.
BUILD ?= build
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)

.PHONY: demo test deps configure build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

demo: build
	cd $(BUILD) && ./zelto2k

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# `make video` renders the whole demo with its music to $(BUILD)/zelto2k.mp4 (needs ffmpeg).
.PHONY: video
video: build
	cd $(BUILD) && ./zelto2k-capture --out zelto2k.mp4
