# Lumeno top-level commands.  `make demo` and `make test` start from a fresh
# machine: they install what is missing, configure, build and run.

BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
# -noreset: without it the server resets whenever its last client leaves,
# and a test program connecting during that reset fails to open the display.
XVFB       := xvfb-run -a -s "-screen 0 1280x1024x24 -noreset"
# Without a sound card or sound server SDL cannot open audio and a demo with
# music stops at start; then the music goes to SDL's silent driver instead.
AUDIO      := $(shell if [ -n "$$SDL_AUDIODRIVER" ] || [ -d /dev/snd ] || \
                [ -S "$${XDG_RUNTIME_DIR:-/nonexistent}/pulse/native" ]; then :; \
                else echo SDL_AUDIODRIVER=dummy; fi)
DEMO       ?= examples/showcase

.PHONY: all deps configure build demo test check check-asan bench fuzz clean showcase-assets showcase-stills

all: build

deps:
	@sh tools/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Plays the example demo: in a window when a display is present, under Xvfb
# otherwise.
demo: build
	@cd $(DEMO) && if [ -n "$$DISPLAY" ]; then env $(AUDIO) $(CURDIR)/$(BUILD)/player; \
	  else env $(AUDIO) $(XVFB) $(CURDIR)/$(BUILD)/player; fi

# Rebuilds every file of the example demo's data/ from the generators in
# tools/ (pictures, text, splines, models, the scene, the music, the font).
showcase-assets: configure
	@cmake --build $(BUILD) -j $(JOBS) --target make-music make-scene make-text
	@python3 tools/make-showcase-assets examples/showcase/data $(BUILD)/make-text
	@python3 tools/make-showcase-models
	@$(BUILD)/make-scene examples/showcase/data/scene/showcase.3ds
	@$(BUILD)/make-music examples/showcase/data/music.ogg
	@sh tools/make-font

# The four stills of the example demo in this README (docs/stills).
showcase-stills: build
	@sh tools/make-showcase-stills $(CURDIR)/$(BUILD)/player

# Every test: the normal build, then the sanitizer build.
test: check check-asan

check: build
	@cd $(BUILD) && $(XVFB) ctest --output-on-failure -j $(JOBS)

check-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DLUMENO_SANITIZE=ON -DLUMENO_PLUGIN=OFF >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
	  $(XVFB) ctest --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD)/*_bench; do [ -x "$$b" ] && env $(AUDIO) $(XVFB) $$b; done; true

# Fuzzes the script parser with libFuzzer for FUZZ_TIME seconds.  New inputs
# go to $(FUZZ_BUILD)/corpus; the seeds in tests/fuzz/script_corpus stay put.
FUZZ_BUILD ?= build-fuzz
FUZZ_TIME  ?= 60
FUZZ_SOURCES := tests/fuzz/script_fuzz.cpp kernel/dk_script.cpp kernel/dk_config.cpp \
                kernel/dk_sectiontable.cpp kernel/dk_random.cpp

$(FUZZ_BUILD)/script_fuzz: $(FUZZ_SOURCES) kernel/dkernel.h kernel/dk_script.h
	@mkdir -p $(FUZZ_BUILD)
	clang++ -std=c++17 -g -O1 -Wall -Wextra -fsanitize=fuzzer,address,undefined \
	  -fno-sanitize-recover=undefined -Ikernel -Irender -Imodels $(FUZZ_SOURCES) -o $@

# The 3DS reader and model preparation, seeded with the shared 3DS corpus;
# the texture manager is stubbed inside the target.
MODEL_FUZZ_SOURCES := tests/fuzz/model3ds_fuzz.cpp models/mdl_3ds.cpp models/mdl_prepare.cpp \
                      render/math3d.cpp

$(FUZZ_BUILD)/model3ds_fuzz: $(MODEL_FUZZ_SOURCES) models/model.h
	@mkdir -p $(FUZZ_BUILD)
	clang++ -std=c++17 -g -O1 -Wall -Wextra -fsanitize=fuzzer,address,undefined \
	  -fno-sanitize-recover=undefined -Ikernel -Irender -Imodels $(MODEL_FUZZ_SOURCES) -lGL -o $@

# Scene files: the soundness check in front of lib3ds, then lib3ds reading
# and evaluating what passed; seeded with the same corpus.
SCENE_FUZZ_SOURCES := tests/fuzz/scene3ds_fuzz.cpp models/mdl_3ds.cpp models/mdl_scenefile.cpp

$(FUZZ_BUILD)/scene3ds_fuzz: $(SCENE_FUZZ_SOURCES) models/model.h models/scene.h
	@mkdir -p $(FUZZ_BUILD)
	clang++ -std=c++17 -g -O1 -Wall -Wextra -fsanitize=fuzzer,address,undefined \
	  -fno-sanitize-recover=undefined -Ikernel -Irender -Imodels $(SCENE_FUZZ_SOURCES) -l3ds -o $@

fuzz: $(FUZZ_BUILD)/script_fuzz $(FUZZ_BUILD)/model3ds_fuzz $(FUZZ_BUILD)/scene3ds_fuzz
	@mkdir -p $(FUZZ_BUILD)/corpus
	$(FUZZ_BUILD)/script_fuzz -max_total_time=$(FUZZ_TIME) -max_len=4096 \
	  -dict=tests/fuzz/script.dict $(FUZZ_BUILD)/corpus tests/fuzz/script_corpus
	@mkdir -p $(FUZZ_BUILD)/model3ds_corpus
	$(FUZZ_BUILD)/model3ds_fuzz -max_total_time=$(FUZZ_TIME) -max_len=65536 -timeout=10 \
	  -dict=tests/fuzz/model3ds.dict $(FUZZ_BUILD)/model3ds_corpus tests/data/3ds
	@mkdir -p $(FUZZ_BUILD)/scene3ds_corpus
	$(FUZZ_BUILD)/scene3ds_fuzz -max_total_time=$(FUZZ_TIME) -max_len=65536 -timeout=10 \
	  -dict=tests/fuzz/scene3ds.dict $(FUZZ_BUILD)/scene3ds_corpus tests/data/3ds

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
