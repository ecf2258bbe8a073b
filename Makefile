# The two commands a new machine needs: `make run` and `make test`.
BUILD ?= build
CONFIG ?= RelWithDebInfo

.PHONY: deps configure build run test check-sanitize bench screenshot install uninstall package clean

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

# The same code under the sanitizers, each build in a folder of its own:
# AddressSanitizer and UndefinedBehaviorSanitizer over every test, then
# ThreadSanitizer over the tests whose threads meet (the call thread, the
# memory watch and the watch's time limit). The office itself is not
# instrumented: it is a program of its own.
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
TSAN_TESTS = test_office test_faults
space := $(subst ,, )

check-sanitize:
	@scripts/install-deps.sh --sanitize
	@[ -f $(ASAN_BUILD)/build.ninja ] || cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(CONFIG) -DCW_SANITIZE=address,undefined
	cmake --build $(ASAN_BUILD)
	cd $(ASAN_BUILD) && ctest --output-on-failure --timeout 1800
	@[ -f $(TSAN_BUILD)/build.ninja ] || cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(CONFIG) -DCW_SANITIZE=thread
	cmake --build $(TSAN_BUILD) --target $(TSAN_TESTS)
	cd $(TSAN_BUILD) && ctest --output-on-failure --timeout 1800 -R '^($(subst $(space),|,$(TSAN_TESTS)))$$'

bench: build
	@scripts/install-deps.sh --bench
	$(BUILD)/bench_engine

screenshot: build
	scripts/screenshot.sh docs/window.png

# `make install` puts it under the configured prefix (/usr/local unless
# CMAKE_INSTALL_PREFIX says otherwise); PREFIX=/opt/x installs elsewhere and
# DESTDIR=/tmp/stage stages it. What it installed is kept in
# $(BUILD)/installed-files.txt for `make uninstall` (CMake's own manifest is
# rewritten by every install, the tests' and the package's included).
INSTALLED = $(BUILD)/installed-files.txt

install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) $(if $(PREFIX),--prefix "$(PREFIX)")
	@cat $(BUILD)/install_manifest.txt $(wildcard $(INSTALLED)) | sort -u > $(INSTALLED).new
	@mv $(INSTALLED).new $(INSTALLED)

# Removes what `make install` from this build folder put in place (give the
# same DESTDIR; the list holds the paths without it).
uninstall:
	@[ -f $(INSTALLED) ] || { echo "$(INSTALLED) not found: nothing was installed from $(BUILD)" >&2; exit 1; }
	sed 's|^|$(DESTDIR)|' $(INSTALLED) | xargs -r -d '\n' rm -fv --
	@sed 's|^|$(DESTDIR)|' $(INSTALLED) | grep '/share/cellwinnow/' | sed 's|\(/share/cellwinnow\)/.*|\1|' | sort -u | \
	  xargs -r -d '\n' -I{} find {} -depth -type d -empty -delete 2>/dev/null || true
	@rm -f $(INSTALLED)

# The Debian package, in $(BUILD).
package: build
	cmake --build $(BUILD) --target package

clean:
	rm -rf $(BUILD)
