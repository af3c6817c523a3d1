# The two commands a fresh machine needs: `make run` and `make test`.
BUILD ?= build
DEMO_DB ?= demo.db
DEMO_PARTS ?= 2000

.PHONY: deps build test run clean

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD)

test: build
	@scripts/run-tests $(BUILD)

run: build
	@if [ ! -f $(DEMO_DB) ]; then $(BUILD)/sparestock init --db $(DEMO_DB) --demo --parts $(DEMO_PARTS); fi
	@echo "Demo database: $(abspath $(DEMO_DB))"
	@echo "Look at it:    $(BUILD)/sparestock grid --db $(DEMO_DB) --grid d_bj704_002 --arg gsh=01 --columns dbj030_ccph,dbj002_ccpmc,dbj030_ckh,dbj030_nkcsl"
	@echo "               sqlite3 $(DEMO_DB) 'select count(*) from dbj030'"

clean:
	rm -rf $(BUILD)
