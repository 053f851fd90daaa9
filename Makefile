# The two commands most people need:
#   make test   install what is missing, build everything, run every test tier
#   make demo   build, then run the programs on a sample game under Wine
# Also: make build, make unit (host unit tests only, no Wine), make clean.
# Game makers: make installer (the sample game's NSIS and Inno Setup installers), make recordcheck.
# Releases: make dist, make sign CERT=... KEY=..., make bench (see the README).

SHELL  := /bin/bash
# Debian's interpreter with python3-pytest, whatever else is on PATH.
PYTHON := /usr/bin/python3
JOBS   ?= 2

.PHONY: screenshots test repeat-wine demo build deps unit contract pe e2e differential-test differential fuzz fuzz-corpus recordcheck clean dist sign bench release-test \
        installer installer-test

deps:
	@scripts/install-deps.sh

build: deps
	cmake --preset host  >/dev/null && cmake --build --preset host  -j$(JOBS)
	cmake --preset win32 >/dev/null && cmake --build --preset win32 -j$(JOBS)
	cmake --preset win64 >/dev/null && cmake --build --preset win64 -j$(JOBS)

# The tiers make test runs after the build, in this order.
TIERS := unit fuzz-corpus contract pe e2e differential-test installer-test release-test

test: build
	$(MAKE) --no-print-directory $(TIERS)

# Every tier of make test, N rounds in a row (after one build): how many
# rounds each tier passed, and which tests failed in which round.
#   make repeat-wine N=5
# (N defaults to 5 here; the 100 below is the differential run's.)
repeat-wine: build
	$(PYTHON) scripts/repeat_tiers.py $(if $(filter command line,$(origin N)),$(N),5) $(TIERS)

# Host unit tests and host contract tests (ASan/UBSan), no Wine.
unit:
	ctest --preset host -j$(JOBS)

# The same Win32 contract tests as Windows programs under Wine: the i686
# build (what the shipped programs see) where this machine executes 32-bit
# code, and the x86_64 build.
contract:
	@if scripts/can-run-32bit.sh; then \
	  echo "contract tests, i686:"; bash scripts/run-contract-tests-wine.sh build/win32/contract_tests.exe; \
	else echo "contract tests, i686: not run: $$(scripts/can-run-32bit.sh -v)"; fi
	@echo "contract tests, x86_64:"
	bash scripts/run-contract-tests-wine.sh build/win64/contract_tests.exe

# Static checks of the shipped PE files in dist/ and dist/x64/.
pe:
	$(PYTHON) -m pytest e2e/test_pe.py -q

# The real programs under Wine: every scenario on the shipped i686 build,
# a few on the x86_64 twin as well (see e2e/conftest.py).
e2e:
	$(PYTHON) -m pytest e2e -q --ignore=e2e/test_pe.py --ignore=e2e/release --ignore=e2e/installer \
	    --ignore=e2e/differential

# recordcheck's prediction held against the shipped Uninstaller under Wine,
# on the fixed set of generated game folders (e2e/differential); recordcheck
# from make recordcheck or make build, whichever is newer.
differential-test:
	$(PYTHON) -m pytest e2e/differential -q

# N more generated game folders from SEED; prints how many agree:
#   make differential SEED=1000 N=100
SEED ?= 1000
N    ?= 100
differential: recordcheck
	$(PYTHON) e2e/differential/run.py --seed $(SEED) --count $(N)

# Every fuzz target over its checked-in seeds and fixed regressions (fast).
fuzz-corpus:
	scripts/fuzz.sh build
	scripts/fuzz.sh corpus

# Fuzz each target for FUZZ_SECONDS (default 180) of its own.
FUZZ_SECONDS ?= 180
fuzz: deps
	scripts/fuzz.sh build
	scripts/fuzz.sh run $(FUZZ_SECONDS)

# The demo runs the shipped i686 programs (the x86_64 twin where this
# machine cannot execute 32-bit code).
demo: deps
	cmake --preset win32 >/dev/null && cmake --build --preset win32 -j$(JOBS) --target Uninstaller Prefclear
	cmake --preset win64 >/dev/null && cmake --build --preset win64 -j$(JOBS) --target Uninstaller Prefclear
	scripts/demo.sh

# The game maker's record checker, a release build without sanitizers, in
# build/recordcheck/recordcheck (docs/makers.md). Its tests run in `make unit`.
recordcheck:
	cmake --preset recordcheck >/dev/null && cmake --build --preset recordcheck -j$(JOBS)

# The sample game's installers, built with both kits from installer/
# (docs/makers.md, "With NSIS" and "With Inno Setup"), as makers ship them:
# 32-bit installers carrying the i686 programs, checked at build time by
# GameFolderCheck. build/installer/SampleGameSetup.exe (NSIS, makensis) and
# build/installer/SampleGameSetup-inno.exe (Inno Setup's ISCC.exe, a 32-bit
# program run under Wine: "not run" where this machine cannot execute 32-bit
# code).
win = Z:$(subst /,\,$(CURDIR)/$(1))
installer: deps
	cmake --preset win32 >/dev/null && cmake --build --preset win32 -j$(JOBS) --target Uninstaller Prefclear GameFolderCheck
	cmake --preset recordcheck >/dev/null && cmake --build --preset recordcheck -j$(JOBS) --target GameFolderCheck
	mkdir -p build/installer
	makensis -V2 -DGAME_TOOLS="$(CURDIR)/dist" -DGAME_CHECK="$(CURDIR)/build/recordcheck/GameFolderCheck" \
	    -DSOURCE="$(CURDIR)/recordcheck/sample/SampleGame" -DOUTFILE="$(CURDIR)/build/installer/SampleGameSetup.exe" \
	    installer/nsis/SampleGame.nsi
	@echo "installer (NSIS): build/installer/SampleGameSetup.exe"
	@status=0; scripts/iscc.sh installer/inno/SampleGame.iss "/DGAME_TOOLS=$(call win,dist)" \
	    "/DSOURCE=$(call win,recordcheck/sample/SampleGame)" "/O$(call win,build/installer)" \
	    /FSampleGameSetup-inno > build/installer/iscc.log || status=$$?; \
	if [ $$status -eq 77 ]; then echo "installer (Inno Setup): not run: this machine cannot execute 32-bit code"; \
	elif [ $$status -ne 0 ]; then cat build/installer/iscc.log; exit $$status; \
	else grep -i "warning" build/installer/iscc.log || true; \
	  echo "installer (Inno Setup): build/installer/SampleGameSetup-inno.exe"; fi

# The kits' checks: the build stops for names the records cannot hold, and
# the round trip under Wine for each kit (install, recordcheck, uninstall two
# ways, the prefix back as it was), which needs 32-bit code to run.
installer-test: installer recordcheck
	$(PYTHON) -m pytest e2e/installer -q -rs

# The pictures of every message box in docs/screenshots/.
screenshots: build
	$(PYTHON) e2e/screenshots.py

# The release package out/release/<project>-<version>.zip: the i686
# programs as dist/ holds them and recordcheck.exe (x86_64) from dist/x64/
# (signed, after make sign), the maker's guide and SHA256SUMS.
dist: deps
	cmake --preset win64 >/dev/null && cmake --build --preset win64 -j$(JOBS) --target recordcheck_exe
	cmake --preset win32 >/dev/null && cmake --build --preset win32 -j$(JOBS) --target dist

# Authenticode (SHA-256) for the two i686 programs in dist/ and
# recordcheck.exe in dist/x64/, in place:
#   make sign CERT=cert.pem KEY=key.pem [TIMESTAMP_URL=url] [SIGN_PASSWORD_FILE=file]
sign: deps
	@if [ -z "$(CERT)" ] || [ -z "$(KEY)" ]; then \
	    echo "usage: make sign CERT=certificate KEY=private-key [TIMESTAMP_URL=url]" >&2; exit 2; fi
	cmake --preset win32 >/dev/null && cmake --build --preset win32 -j$(JOBS) --target Uninstaller Prefclear
	cmake --preset win64 >/dev/null && cmake --build --preset win64 -j$(JOBS) --target recordcheck_exe
	TIMESTAMP_URL="$(TIMESTAMP_URL)" SIGN_PASSWORD_FILE="$(SIGN_PASSWORD_FILE)" \
	    scripts/sign.sh "$(CERT)" "$(KEY)" dist/Uninstaller.exe dist/Prefclear.exe dist/x64/recordcheck.exe

# Release checks: two clean i686 builds and packages compared byte for byte,
# the size budget, and signing, with a signed Uninstaller's whole run under Wine.
release-test:
	$(PYTHON) -m pytest e2e/release -q -rs

# The records benchmark, in a release build of the host (no sanitizers), and
# recordcheck's time and memory on a list of 100,000 entries (budget 1 s and
# 64 MB a run).
bench: deps recordcheck
	cmake --preset bench >/dev/null && cmake --build --preset bench -j$(JOBS) --target records_bench
	build/bench/records_bench
	$(PYTHON) recordcheck/bench.py build/recordcheck/recordcheck recordcheck/sample/SampleGame

clean:
	rm -rf build/host build/win32 build/win64 build/recordcheck build/bench build/installer build/iscc-prefix dist out/release
