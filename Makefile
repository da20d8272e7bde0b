# The two set-up commands: `make run` and `make test`. Both install what they need first.
.PHONY: deps build run test asan bench fuzz package clean

deps:
	bash tools/install-deps.sh

build: deps
	cmake --preset default
	cmake --build --preset default

# The viewer on the sample table: started in data/, with settings of its own for this run, it
# finds stations.dbf there. Without a display it says so and how to do without one.
run: build
	@cd data && XDG_CONFIG_HOME="$$(mktemp -d)" ../build/src/startup/talvo-dbase-viewer; \
	status=$$?; [ $$status -eq 0 ] || [ -z "$$DISPLAY$$WAYLAND_DISPLAY$$QT_QPA_PLATFORM" ]

test: build
	ctest --preset default --parallel 2

asan: deps
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan --parallel 2

bench: build
	./build/bench/talvo_core_bench
	./build/bench/talvo_viewer_bench

# The Debian package, build/talvo-dbase-viewer_VERSION_ARCH.deb.
package: build
	cd build && cpack

# Each fuzz target for FUZZ_SECONDS (default 60) seconds; see fuzz/run.
fuzz:
	bash tools/install-deps.sh fuzz
	fuzz/run

clean:
	rm -rf build build-asan build-fuzz
