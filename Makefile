# Movra: the two commands are `make run` and `make test`. Each does its own set-up.
# `make package` builds the Debian package.
BUILD ?= build
LANGUAGE ?= 1033
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
CTEST_FLAGS ?=

.PHONY: all deps configure build dist run test bench demo check fuzz clean package

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

clean:
	rm -rf $(BUILD) build-* dist
