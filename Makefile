# The two commands a new machine needs: `make run` and `make test`.
BUILD ?= build
CONFIG ?= RelWithDebInfo

.PHONY: deps configure build run test bench screenshot install uninstall package clean

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
