# The two commands a fresh machine needs: `make run` and `make test`.
BUILD ?= build
DEMO_DB ?= demo.db
DEMO_PARTS ?= 2000
LISTEN ?= 127.0.0.1:8080

.PHONY: deps build test run clean screenshots sanitize format

deps:
	@scripts/install-deps

# Warnings in our own code fail the build here (`make run` shares the build folder, so it does too).
build: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSPARESTOCK_WERROR=ON >/dev/null
	@cmake --build $(BUILD)

test: build
	@scripts/check-format
	@scripts/run-tests $(BUILD)

run: build
	@case "$(DEMO_DB)" in \
	  postgres://*|postgresql://*) $(BUILD)/sparestock init --db "$(DEMO_DB)" --demo --parts $(DEMO_PARTS) 2>/dev/null || true ;; \
	  *) [ -f "$(DEMO_DB)" ] || $(BUILD)/sparestock init --db "$(DEMO_DB)" --demo --parts $(DEMO_PARTS) ;; \
	esac
	@echo "Demo database: $(DEMO_DB)"
	@echo "Open:          http://$(LISTEN)/"
	@echo "Demo logins:   company 01, user 001 (王建国), password demo123"
	@echo "               company 02, user 002 (李红),   password demo123"
	@echo "Stop with Ctrl-C."
	@$(BUILD)/sparestock serve --db "$(DEMO_DB)" --listen $(LISTEN)

# Runs the browser tests and copies the screenshots of the main windows into docs/screenshots.
screenshots: build
	@ctest --test-dir $(BUILD) -R '^browser_' -E 'large_grid' --output-on-failure
	@mkdir -p docs/screenshots && cp $(BUILD)/screenshots/*.png docs/screenshots/
	@echo "screenshots: $$(ls $(BUILD)/screenshots/*.png | wc -l) pictures in docs/screenshots"

clean:
	rm -rf $(BUILD) build-asan

# Every test (browser tests left out: the browser is not what is checked) on both backends, built
# with AddressSanitizer and UndefinedBehaviorSanitizer in its own folder. tests/lsan.supp names
# the memory other libraries keep for the process's life, which the leak check must not count.
sanitize: deps
	@cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSPARESTOCK_ASAN=ON >/dev/null
	@cmake --build build-asan
	@LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 SPARESTOCK_SKIP_BROWSER=1 scripts/run-tests build-asan

# Formats the C++ sources with .clang-format; `make test` fails on a file that differs from it.
format:
	@scripts/check-format --fix
