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

.PHONY: all deps configure build demo release test check check-asan check-windows windows bench soak memcheck gallery fuzz fuzz-seeds clean showcase-assets showcase-stills

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

# Packs the demo in DEMO into RELEASE_DIR as a Windows zip and a Linux
# archive (player --pack), with the Windows player `make windows` builds.
RELEASE_DIR ?= release
release: build windows
	@mkdir -p $(RELEASE_DIR)
	@$(BUILD)/player --pack $(RELEASE_DIR) $(DEMO)

# Every test: the normal build, the sanitizer build, the fuzz seeds, and
# the Windows player under wine where the cross compiler and wine are
# installed.
test: check check-asan fuzz-seeds
	@if $(WIN_TOOLS); then $(MAKE) --no-print-directory check-windows; \
	  else echo "mingw-w64 or wine64 missing: the Windows player is not tested"; fi

check: build
	@cd $(BUILD) && $(XVFB) ctest --output-on-failure -j $(JOBS) -LE windows

# The Windows player: its libraries are cross-built once from Debian's source
# packages into ~/.cache/lumeno (tools/build-win-deps prints the folder).
WIN_BUILD ?= build-win
CCACHE    := $(shell command -v ccache >/dev/null && \
               echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
WIN_TOOLS := command -v x86_64-w64-mingw32-g++-posix >/dev/null && \
             { command -v wine64 || test -x /usr/lib/wine/wine64; } >/dev/null

windows: deps
	@prefix=$$(sh tools/build-win-deps) && \
	  cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/toolchain-mingw64.cmake \
	    -DCMAKE_BUILD_TYPE=Release -DLUMENO_WIN_PREFIX="$$prefix" $(CCACHE) >/dev/null
	@cmake --build $(WIN_BUILD) -j $(JOBS)

# player.exe under wine64 beside the Linux player: imports, frames, errors.
check-windows: windows build
	@cmake -S . -B $(BUILD) -DLUMENO_WIN_PLAYER=$(CURDIR)/$(WIN_BUILD)/player.exe >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target windows_test
	@cd $(BUILD) && ctest --output-on-failure -L windows

check-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DLUMENO_SANITIZE=ON -DLUMENO_PLUGIN=OFF >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
	  $(XVFB) ctest --output-on-failure -j $(JOBS)

# The stills of the reference's gallery: every docs/gallery/<type> example
# played by the player in record mode, its frame kept as docs/gallery/<type>.png
# (the playable folders stay in $(BUILD)/gallery).  GALLERY=efxGlow renders
# only the types named.
gallery: build
	@python3 tools/make-gallery $(BUILD)/player $(BUILD)/gallery/data $(GALLERY)

bench: build
	@for b in $(BUILD)/*_bench; do [ -x "$$b" ] && env $(AUDIO) $(XVFB) $$b; done; true
	@if [ -x $(WIN_BUILD)/player.exe ] && $(WIN_TOOLS); then \
	  $(XVFB) sh tools/bench-windows $(BUILD)/player $(WIN_BUILD)/player.exe; \
	  else echo "no $(WIN_BUILD)/player.exe (make windows) or no wine64: the Windows player is not measured"; fi

# Plays the showcase in a loop for SOAK_MINUTES minutes, printing resident
# memory once a minute; fails when it grows by more than 2 MB after the
# first loop (tools/soak).
SOAK_MINUTES ?= 10
soak: build
	@sh tools/soak $(BUILD)/player $(SOAK_MINUTES)

# The showcase's first 10 seconds under valgrind's memcheck (tools/memcheck,
# report in $(BUILD)/memcheck.log); minutes on a software renderer, so not
# part of `make test`.
memcheck: build
	@cd $(BUILD) && sh $(CURDIR)/tools/memcheck $(CURDIR)/$(BUILD)/player 10 $(CURDIR)/examples/showcase

# Fuzz targets: libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer,
# built with clang.  The targets that link the script module get their
# fatal path and stand-ins from tests/fuzz/fuzz_support.h and fuzz_kernel.h;
# readers that open their file by name (splines, shader scripts, pick files)
# get the input as a file in memory, and a file a reader leaves open is a
# finding.
FUZZ_BUILD   ?= build-fuzz
FUZZ_TIME    ?= 60
FUZZ_FLAGS   := -std=c++17 -g -O1 -Wall -Wextra -fsanitize=fuzzer,address,undefined \
                -fno-sanitize-recover=undefined -Ikernel -Irender -Imodels -Iaudio
FUZZ_FILES   := -Wl,--wrap=fopen,--wrap=fclose
FUZZ_LINES   := kernel/dk_script.cpp kernel/dk_config.cpp kernel/dk_sectiontable.cpp \
                kernel/dk_random.cpp kernel/dk_path.cpp
FUZZ_HEADERS := tests/fuzz/fuzz_support.h tests/fuzz/fuzz_kernel.h kernel/dkernel.h

$(FUZZ_BUILD)/script_fuzz: tests/fuzz/script_fuzz.cpp $(FUZZ_LINES) $(FUZZ_HEADERS) kernel/dk_script.h
	@mkdir -p $(FUZZ_BUILD)
	clang++ $(FUZZ_FLAGS) $(filter %.cpp,$^) $(FUZZ_FILES) -o $@

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

# Sync: the track-file reader, and the editor's command stream cut into
# commands and applied to tracks as the client does.
$(FUZZ_BUILD)/track_fuzz: tests/fuzz/track_fuzz.cpp kernel/dk_track.cpp kernel/dk_track.h
	@mkdir -p $(FUZZ_BUILD)
	clang++ $(FUZZ_FLAGS) tests/fuzz/track_fuzz.cpp kernel/dk_track.cpp -o $@

SYNCPROTO_FUZZ_SOURCES := tests/fuzz/syncproto_fuzz.cpp studio/st_syncproto.cpp kernel/dk_track.cpp

$(FUZZ_BUILD)/syncproto_fuzz: $(SYNCPROTO_FUZZ_SOURCES) studio/st_syncproto.h kernel/dk_track.h
	@mkdir -p $(FUZZ_BUILD)
	clang++ $(FUZZ_FLAGS) -Istudio $(SYNCPROTO_FUZZ_SOURCES) -o $@

$(FUZZ_BUILD)/spline_fuzz: tests/fuzz/spline_fuzz.cpp kernel/dk_spline.cpp kernel/dk_sync.cpp kernel/dk_track.cpp \
                           $(FUZZ_LINES) $(FUZZ_HEADERS)
	@mkdir -p $(FUZZ_BUILD)
	clang++ $(FUZZ_FLAGS) $(filter %.cpp,$^) $(FUZZ_FILES) -o $@

$(FUZZ_BUILD)/shader_fuzz: tests/fuzz/shader_fuzz.cpp models/mdl_shader.cpp $(FUZZ_LINES) $(FUZZ_HEADERS) models/shader.h
	@mkdir -p $(FUZZ_BUILD)
	clang++ $(FUZZ_FLAGS) $(filter %.cpp,$^) $(FUZZ_FILES) -o $@

$(FUZZ_BUILD)/pickcam_fuzz: tests/fuzz/pickcam_fuzz.cpp models/mdl_pickcam.cpp models/mdl_shader.cpp \
                            $(FUZZ_LINES) $(FUZZ_HEADERS) models/scene.h
	@mkdir -p $(FUZZ_BUILD)
	clang++ $(FUZZ_FLAGS) $(filter %.cpp,$^) $(FUZZ_FILES) -o $@

# The audio library opening, playing and positioning a stream on the
# device-less output; the seeds are short WAV, Ogg Vorbis and MPEG files.
AUDIO_FUZZ_SOURCES := tests/fuzz/audio_fuzz.cpp $(wildcard audio/*.cpp)

$(FUZZ_BUILD)/audio_fuzz: $(AUDIO_FUZZ_SOURCES) audio/audio.h audio/aud_internal.h
	@mkdir -p $(FUZZ_BUILD)
	clang++ $(FUZZ_FLAGS) $(AUDIO_FUZZ_SOURCES) -lvorbisfile -lvorbis -logg -lmpg123 -lSDL -lpthread -o $@

# The texture manager from a decoded surface to uploaded pixels; the
# decoder and the GL are stand-ins inside the target.
$(FUZZ_BUILD)/texture_fuzz: tests/fuzz/texture_fuzz.cpp render/tex.cpp kernel/dk_path.cpp render/tex.h $(FUZZ_HEADERS)
	@mkdir -p $(FUZZ_BUILD)
	clang++ $(FUZZ_FLAGS) $(filter %.cpp,$^) $(FUZZ_FILES) -lSDL -o $@

# Every fuzz target, one after the other, FUZZ_TIME seconds each; new inputs
# go to $(FUZZ_BUILD)/<name>_corpus, the seeds in the repository stay put.
# `make fuzz FUZZ_TARGETS=spline` runs one.
FUZZ_TARGETS ?= script model3ds scene3ds spline shader pickcam audio texture track syncproto
FUZZ_SEEDS_script   := -max_len=4096 tests/fuzz/script_corpus
FUZZ_SEEDS_model3ds := -max_len=65536 -timeout=10 tests/data/3ds
FUZZ_SEEDS_scene3ds := -max_len=65536 -timeout=10 tests/data/3ds
FUZZ_SEEDS_spline   := -max_len=4096 tests/fuzz/spline_corpus
FUZZ_SEEDS_shader   := -max_len=4096 tests/fuzz/shader_corpus
FUZZ_SEEDS_pickcam  := -max_len=4096 tests/fuzz/pickcam_corpus
FUZZ_SEEDS_audio    := -max_len=65536 -timeout=10 tests/fuzz/audio_corpus
FUZZ_SEEDS_texture  := -max_len=4096 tests/fuzz/texture_corpus
FUZZ_SEEDS_track    := -max_len=4096 tests/fuzz/track_corpus
FUZZ_SEEDS_syncproto := -max_len=4096 tests/fuzz/syncproto_corpus

fuzz: $(foreach t,$(FUZZ_TARGETS),$(FUZZ_BUILD)/$(t)_fuzz)
	@set -e; $(foreach t,$(FUZZ_TARGETS),echo "== $(t)"; mkdir -p $(FUZZ_BUILD)/$(t)_corpus; \
	  $(FUZZ_BUILD)/$(t)_fuzz -max_total_time=$(FUZZ_TIME) \
	  $(if $(wildcard tests/fuzz/$(t:%3ds=3ds).dict),-dict=tests/fuzz/$(t:%3ds=3ds).dict) -artifact_prefix=$(FUZZ_BUILD)/$(t)- \
	  $(FUZZ_BUILD)/$(t)_corpus $(FUZZ_SEEDS_$(t));)

# Every target once over its seeds, which hold an input for each fault a
# run found: a fault that comes back fails here.  Part of `make test`.
fuzz-seeds: deps $(foreach t,$(FUZZ_TARGETS),$(FUZZ_BUILD)/$(t)_fuzz)
	@set -e; $(foreach t,$(FUZZ_TARGETS),echo "== $(t) seeds"; \
	  $(FUZZ_BUILD)/$(t)_fuzz -runs=0 -artifact_prefix=$(FUZZ_BUILD)/$(t)- $(FUZZ_SEEDS_$(t)) >$(FUZZ_BUILD)/$(t)-seeds.log 2>&1 \
	  || { cat $(FUZZ_BUILD)/$(t)-seeds.log; exit 1; };)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(WIN_BUILD)
