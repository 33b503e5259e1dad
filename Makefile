# Movra: the two commands are `make run` and `make test`. Each does its own set-up.
# `make package` builds the Debian package.
BUILD ?= build
LANGUAGE ?= 1033
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
CTEST_FLAGS ?=

WIN_BUILD ?= build-win
WIN_DIST ?= dist-win

.PHONY: all deps configure build dist run test bench demo check fuzz clean package
.PHONY: test-windows windows windows-deps windows-libs windows-build windows-dist windows-check windows-check-installer

all: build

deps:
	scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Lays out dist/ as the program folder: MovraT, settings, pictures, template, one
# language folder, the user guide, and PTDATA/Data with an empty database.
dist: build
	scripts/layout-dist $(BUILD) dist $(LANGUAGE)

run: dist
	./dist/MovraT

test: dist
	cd $(BUILD) && ctest -j $(JOBS) --output-on-failure $(CTEST_FLAGS)

# The Debian package movra_<version>_amd64.deb, in this folder:
#   sudo apt install ./movra_*.deb
package: build
	cd $(BUILD) && cpack -G DEB
	cp -f $(BUILD)/package/movra_*_amd64.deb .

bench: dist
	scripts/run-bench $(BUILD)

demo: dist
	scripts/demo $(BUILD) dist

# Sanitizer builds: AddressSanitizer with UndefinedBehaviorSanitizer over the whole suite,
# ThreadSanitizer over the serial, meter, transfer and download tests.
check: deps
	scripts/check

fuzz: deps
	scripts/fuzz $(FUZZ_SECONDS)

# Windows (64-bit), cross-built here and run under Wine. The libraries are built once into
# ~/.cache/movra-windows (MOVRA_WIN_CACHE): the first run takes 30-40 minutes on 2 cores.
# `make windows` leaves the program folder in dist-win/ and the installer and the portable
# zip in build-win/package/.
windows: windows-dist
	scripts/windows/package $(WIN_DIST) $(WIN_BUILD)/package

windows-deps:
	scripts/windows/install-deps

windows-libs: windows-deps
	scripts/windows/build-thirdparty all

windows-build: windows-libs
	scripts/windows/cross-build $(WIN_BUILD) $(JOBS) "$(CMAKE_FLAGS)"

# The pictures, user guide and template are rendered by the host build.
windows-dist: windows-build deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS) --target installdata movra-make-database
	scripts/windows/layout-dist $(BUILD) $(WIN_BUILD) $(WIN_DIST) $(LANGUAGE)

# The libraries under Wine: SQLCipher against Linux's sqlcipher, a Qt window on Xvfb.
windows-check: windows-libs
	scripts/windows/check-libs all

# The Windows build's tests under Wine, in the build of `make windows`: the core suites,
# movra-cli.exe and MovraT.exe against the meter simulator on a mapped COM port, then the
# installer (silent install, start, removal).
test-windows: windows dist
	JOBS=$(JOBS) CTEST_FLAGS="$(CTEST_FLAGS)" scripts/test-windows $(WIN_BUILD) $(BUILD)
	scripts/windows/check-installer "$$(ls $(WIN_BUILD)/package/MovraSetup-*.exe | tail -1)"

# A silent install, start, reinstall and silent removal under Wine.
windows-check-installer: windows
	scripts/windows/check-installer "$$(ls $(WIN_BUILD)/package/MovraSetup-*.exe | tail -1)"

clean:
	rm -rf $(BUILD) build-* dist dist-win
