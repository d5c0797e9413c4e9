# The two commands of the README: `make test` and `make demo`.  Both run the
# set-up first (quick when everything is in place).
# `make bench` (not part of `make test`) measures size, speed and memory.
.PHONY: setup test demo bench host host-asan windows test-host test-host-asan test-fuzz test-windows clean

setup:
	bash scripts/setup

host: setup
	cmake --preset host > /dev/null
	cmake --build --preset host

host-asan: setup
	cmake --preset host-asan > /dev/null
	cmake --build --preset host-asan

windows: setup
	cmake --preset windows > /dev/null
	cmake --build --preset windows

test-host: host
	ctest --preset host

test-host-asan: host-asan
	ctest --preset host-asan

test-windows: windows
	ctest --preset windows

# The payload fuzz targets, 5 seconds each (scripts/fuzz 600 runs them long).
test-fuzz: setup
	bash scripts/fuzz 5

test: test-host test-host-asan test-fuzz test-windows

demo: windows
	bash scripts/demo

bench: host windows
	bash scripts/bench

clean:
	rm -rf build
