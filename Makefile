# The two set-up commands: `make run` and `make test`. Both install what they need first.
.PHONY: deps build run test asan clean

deps:
	bash tools/install-deps.sh

build: deps
	cmake --preset default
	cmake --build --preset default

run: build
	./build/src/cli/talvo-dbf info data/stations.dbf
	./build/src/cli/talvo-dbf show data/stations.dbf --limit 20

test: build
	ctest --preset default --parallel 2

asan: deps
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan --parallel 2

clean:
	rm -rf build build-asan
