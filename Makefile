# The two set-up commands: `make run` and `make test`. Both install what they need first.
.PHONY: deps build run test asan tsan bench fuzz package clean

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

# ThreadSanitizer on the record set's tests and on talvo-dbf's whole-table work.
tsan: deps
	cmake --preset tsan
	cmake --build --preset tsan
	ctest --preset tsan --parallel 2

bench: build
	./build/bench/talvo_core_bench
	./build/bench/talvo_viewer_bench

# The Debian package, build/talvo-dbase-viewer_VERSION_ARCH.deb, compiled in build-package with
# Debian's own build flags (hardening, _FORTIFY_SOURCE), as a Debian package build does.
package: export DEB_BUILD_MAINT_OPTIONS = hardening=+all
package: deps
	cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=None -DTALVO_BUILD_TESTS=OFF \
	    -DCMAKE_CXX_FLAGS="$$(dpkg-buildflags --get CXXFLAGS) $$(dpkg-buildflags --get CPPFLAGS)" \
	    -DCMAKE_EXE_LINKER_FLAGS="$$(dpkg-buildflags --get LDFLAGS)"
	cmake --build build-package
	mkdir -p build
	cd build-package && cpack -B ../build

# Each fuzz target for FUZZ_SECONDS (default 60) seconds; see fuzz/run.
fuzz:
	bash tools/install-deps.sh fuzz
	fuzz/run

clean:
	rm -rf build build-asan build-fuzz build-tsan build-package
