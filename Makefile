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

# A look and a listen without running the demo: a contact sheet of every generated
# picture, the music rendered as the demo plays it, and scenes.png, one frame of the demo
# every 3 seconds rendered through the offline backend at 60 fps.
.PHONY: preview
preview: configure
	@cmake --build $(BUILD) -j $(JOBS) --target zelto_data module_wav zelto2k-capture
	@mkdir -p $(BUILD)/preview
	@cd $(BUILD)/data && montage -background '#202020' -fill '#e0e0e0' \
	  -font /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf -pointsize 11 -label '%d/%f\n%wx%h' \
	  $$(find . -name '*.bmp' | sort) -tile 6x -geometry '256x256>+8+8' ../preview/contact_sheet.png
	@$(BUILD)/tools/assetgen/module_wav $(BUILD)/data/mowt.xm $(BUILD)/preview/mowt.wav
	@echo "$(BUILD)/preview/contact_sheet.png"
	@bash scripts/scene_sheet.sh $(BUILD)

# `make docs` draws the pictures of docs/how-it-works.md and the README's contact sheet into
# docs/pictures/ with the demo's own routines and scenes (fixed scene clock, no music);
# `make docs-check` draws them into $(BUILD)/docs-check/ and fails if any differs from the
# committed ones, so the pictures never go stale.
DOCS_PICTURES := docs/pictures
.PHONY: docs docs-check
docs: configure
	@cmake --build $(BUILD) -j $(JOBS) --target zelto2k-docs
	@mkdir -p $(DOCS_PICTURES) && rm -f $(DOCS_PICTURES)/*.png
	@cd $(BUILD) && ./zelto2k-docs $(CURDIR)/$(DOCS_PICTURES)
	@echo "$(DOCS_PICTURES)/"

docs-check: configure
	@cmake --build $(BUILD) -j $(JOBS) --target zelto2k-docs
	@rm -rf $(BUILD)/docs-check && mkdir -p $(BUILD)/docs-check
	@cd $(BUILD) && ./zelto2k-docs docs-check
	@diff -rq $(DOCS_PICTURES) $(BUILD)/docs-check || \
	  { echo "$(DOCS_PICTURES)/ differs from what the code draws now: run make docs and commit the pictures"; exit 1; }
	@echo "$(DOCS_PICTURES)/ is what the code draws ($(BUILD))"

# `make video` renders the whole demo with its music to $(BUILD)/zelto2k.mp4 (needs ffmpeg).
.PHONY: video
video: build
	cd $(BUILD) && ./zelto2k-capture --out zelto2k.mp4

# `make sync` plays the real-time demo under its own Xvfb and PulseAudio null sink and
# prints how far the picture is from the sound at every scene change and end logo flash;
# SYNC_ARGS passes options (zelto2k-sync --help), e.g. the CI's short run:
# make sync SYNC_ARGS="--scene-changes 2 --limit-ms 100"
SYNC_ARGS ?=
.PHONY: sync
sync: configure
	@cmake --build $(BUILD) -j $(JOBS) --target zelto2k-sync
	cd $(BUILD) && ./zelto2k-sync $(SYNC_ARGS)

# `make flash-report`: the flash analyser over the whole demo as specified and with the
# reduced-flashing mode, rendered without writing any video: $(BUILD)/flash/default.txt and
# reduced.txt, each with its plot beside it (.png).
.PHONY: flash-report
flash-report: build
	@mkdir -p $(BUILD)/flash
	@cd $(BUILD) && ./zelto2k-capture --flash-report flash/default.txt
	@cd $(BUILD) && ./zelto2k-capture --reduce-flashing --flash-report flash/reduced.txt

# `make fuzz`: the fuzz harnesses (clang, ASan + UBSan) built in build-fuzz, each run for
# FUZZ_SECONDS seconds on a corpus that grows in build-fuzz/fuzz/corpus.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
.PHONY: fuzz
fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DZELTO_BUILD_FUZZ=ON \
	  -DZELTO_BUILD_TESTS=OFF -DZELTO_BUILD_BENCH=OFF >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@bash fuzz/run.sh $(FUZZ_BUILD) --seconds $(FUZZ_SECONDS)

# `make web` builds the demo for the browser into $(WEB_BUILD)/site/ and serves it on
# http://localhost:8000; `make web-site` only builds; `make web-test` builds and runs the
# browser build's tests (its frames against the native ones under Node.js, then the page
# in headless Chromium). emcc runs with Debian's node-acorn, which lives in /usr/share/nodejs.
WEB_BUILD ?= build-web
WEB_PORT ?= 8000
export NODE_PATH := /usr/share/nodejs
export PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD := 1
.PHONY: web web-site web-test web-deps

web-deps:
	@bash scripts/install-deps.sh web
	@[ node_modules/.package-lock.json -nt package-lock.json ] || npm ci --no-audit --no-fund

web-site: web-deps configure
	@cmake --build $(BUILD) -j $(JOBS) --target zelto_data zelto2k-start-screen assetgen
	@emcmake cmake -S . -B $(WEB_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DZELTO_BUILD_TESTS=OFF -DZELTO_BUILD_BENCH=OFF >/dev/null
	@cmake --build $(WEB_BUILD) -j $(JOBS) --target zelto_site
	@rm -rf $(WEB_BUILD)/site/data && cp -r $(BUILD)/data $(WEB_BUILD)/site/data
	@cd $(WEB_BUILD)/site && find data -type f | sort > data/files.txt
	@cd $(WEB_BUILD)/site && for file in zelto2k.wasm libopenmpt.worklet.js music_worklet.js $$(cat data/files.txt); do \
	  echo "$$(stat -c %s $$file) $$file"; done > sizes.txt
	@mkdir -p $(WEB_BUILD)/site/icons
	@$(BUILD)/tools/assetgen/assetgen --icons $(WEB_BUILD)/site/icons
	@# The still and the length are made again only when the program or the data changed.
	@site=$$(realpath $(WEB_BUILD)/site) && cd $(BUILD) && \
	  if [ ! -f "$$site/still.png" ] || [ -n "$$(find zelto2k-start-screen data -newer "$$site/still.png" | head -1)" ]; then \
	    ./zelto2k-start-screen "$$site"; fi
	@echo "$(WEB_BUILD)/site"

web: web-site
	node platform/web/serve.mjs $(WEB_BUILD)/site $(WEB_PORT)

web-test: web-site
	@cmake --build $(BUILD) -j $(JOBS) --target zelto2k_frames zelto_scene_table_mjs
	@bash tests/web/run.sh $(BUILD) $(WEB_BUILD)

# The releases, in $(DIST): `make dist` the portable Linux tarball (with the program's debug
# symbols beside it), `make deb` the Debian package, `make web-dist` the web bundle (a zip
# for any static host). The native two share one Release build in $(PACKAGE_BUILD), with
# debug information to split off, hardened as Debian builds, and with the source folder's
# path mapped away so that any checkout builds the same program.
PACKAGE_BUILD ?= build-package
DIST ?= $(BUILD)/dist
PACKAGE_CXX_FLAGS := -g -ffile-prefix-map=$(CURDIR)=. -D_FORTIFY_SOURCE=2
.PHONY: dist deb web-dist package-build package-deps

package-deps:
	@bash scripts/install-deps.sh package

package-build: deps package-deps
	@cmake -S . -B $(PACKAGE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DZELTO_BUILD_TESTS=OFF \
	  -DZELTO_BUILD_BENCH=OFF "-DCMAKE_CXX_FLAGS=$(PACKAGE_CXX_FLAGS)" "-DCMAKE_EXE_LINKER_FLAGS=-Wl,-z,now" \
	  $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(PACKAGE_BUILD) -j $(JOBS) --target zelto2k zelto_data zelto_icons

dist: package-build
	@bash packaging/make-dist.sh $(PACKAGE_BUILD) $(DIST)

deb: package-build
	@bash packaging/make-deb.sh $(PACKAGE_BUILD) $(DIST)

web-dist: web-site package-deps
	@bash packaging/make-web-dist.sh $(WEB_BUILD)/site $(DIST)
