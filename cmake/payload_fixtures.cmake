# The payload fixtures of the Windows lane (windows build only): the host tools
# are built in a host build of their own inside this tree (host-tools/), with
# this tree's payload key, and tests/windows/make_payload_fixtures.sh makes the
# launchers of the payload scenario into ${LANE_DIR}/payload.  Without a
# private payload key nothing is made and the scenario skips.
include(ExternalProject)
set(HOST_TOOLS_DIR ${CMAKE_BINARY_DIR}/host-tools)
set(PAYLOAD_TOOL ${HOST_TOOLS_DIR}/writer/payload-tool)
set(PACK_TOOL ${HOST_TOOLS_DIR}/pack/msilaunch-pack)
ExternalProject_Add(host-tools
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${HOST_TOOLS_DIR}
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release
               -DMSILAUNCH_PAYLOAD_PUBLIC_KEY=${MSILAUNCH_PAYLOAD_PUBLIC_PEM}
               -DMSILAUNCH_PAYLOAD_PRIVATE_KEY=${MSILAUNCH_PAYLOAD_SIGNING_KEY}
    BUILD_COMMAND ${CMAKE_COMMAND} --build ${HOST_TOOLS_DIR} --target payload-tool msilaunch-pack
    BUILD_BYPRODUCTS ${PAYLOAD_TOOL} ${PACK_TOOL}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON)

set(PAYLOAD_FIXTURES_DIR ${LANE_DIR}/payload)
if(MSILAUNCH_PAYLOAD_SIGNING_KEY)
    add_custom_command(OUTPUT ${PAYLOAD_FIXTURES_DIR}/stamp
        COMMAND bash ${CMAKE_SOURCE_DIR}/tests/windows/make_payload_fixtures.sh ${PAYLOAD_TOOL}
                $<TARGET_FILE:msilaunch> ${MSILAUNCH_PAYLOAD_SIGNING_KEY} ${PAYLOAD_FIXTURES_DIR}
        DEPENDS msilaunch ${PAYLOAD_TOOL} ${CMAKE_SOURCE_DIR}/tests/windows/make_payload_fixtures.sh
        COMMENT "Making the payload fixtures in ${PAYLOAD_FIXTURES_DIR}"
        VERBATIM)
    # The installation scenarios' setup programs, from real MSIs.
    set(INSTALL_FIXTURES_DIR ${LANE_DIR}/install)
    add_custom_command(OUTPUT ${INSTALL_FIXTURES_DIR}/stamp
        COMMAND bash ${CMAKE_SOURCE_DIR}/tests/windows/make_install_fixtures.sh ${PAYLOAD_TOOL}
                $<TARGET_FILE:msilaunch> ${MSILAUNCH_PAYLOAD_SIGNING_KEY} ${INSTALL_FIXTURES_DIR}
        DEPENDS msilaunch ${PAYLOAD_TOOL} ${CMAKE_SOURCE_DIR}/tests/windows/make_install_fixtures.sh
                ${CMAKE_SOURCE_DIR}/scripts/make-product-msi ${CMAKE_SOURCE_DIR}/examples/product/product.wxs
        COMMENT "Making the installation fixtures in ${INSTALL_FIXTURES_DIR}"
        VERBATIM)
    # The package builder's setup programs (three placements) and the choices
    # its inspect command makes, for the pack_* scenarios.
    set(PACK_FIXTURES_DIR ${LANE_DIR}/pack)
    add_custom_command(OUTPUT ${PACK_FIXTURES_DIR}/stamp
        COMMAND bash ${CMAKE_SOURCE_DIR}/tests/windows/make_pack_fixtures.sh ${PACK_TOOL}
                $<TARGET_FILE:msilaunch> ${MSILAUNCH_PAYLOAD_SIGNING_KEY} ${PACK_FIXTURES_DIR}
        DEPENDS msilaunch ${PACK_TOOL} ${CMAKE_SOURCE_DIR}/tests/windows/make_pack_fixtures.sh
                ${CMAKE_SOURCE_DIR}/tests/windows/pack_scenarios.sh
                ${CMAKE_SOURCE_DIR}/scripts/make-product-msi ${CMAKE_SOURCE_DIR}/examples/product/product.wxs
        COMMENT "Making the package builder fixtures in ${PACK_FIXTURES_DIR}"
        VERBATIM)
    # The benchmark scenario's package, 1 MiB, so that the ordinary lane runs
    # it once; scripts/bench makes the large ones (it reads bench-tools.sh).
    set(BENCH_FIXTURES_DIR ${LANE_DIR}/bench)
    add_custom_command(OUTPUT ${BENCH_FIXTURES_DIR}/stamp
        COMMAND bash ${CMAKE_SOURCE_DIR}/tests/windows/make_bench_fixtures.sh ${PAYLOAD_TOOL}
                $<TARGET_FILE:msilaunch> ${MSILAUNCH_PAYLOAD_SIGNING_KEY} ${BENCH_FIXTURES_DIR}
                1 -- $<TARGET_FILE:msilaunch> $<TARGET_FILE:windows_unit_tests>
        DEPENDS msilaunch windows_unit_tests ${PAYLOAD_TOOL} ${CMAKE_SOURCE_DIR}/tests/windows/make_bench_fixtures.sh
                ${CMAKE_SOURCE_DIR}/scripts/make-product-msi ${CMAKE_SOURCE_DIR}/examples/product/product.wxs
        COMMENT "Making the benchmark fixture in ${BENCH_FIXTURES_DIR}"
        VERBATIM)
    file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/bench-tools.sh CONTENT
        "payload_tool=${PAYLOAD_TOOL}\nkey=${MSILAUNCH_PAYLOAD_SIGNING_KEY}\nlauncher=$<TARGET_FILE:msilaunch>\nlane=${LANE_DIR}\n")
    add_custom_target(lane-payload-fixtures ALL
        DEPENDS ${PAYLOAD_FIXTURES_DIR}/stamp ${INSTALL_FIXTURES_DIR}/stamp ${PACK_FIXTURES_DIR}/stamp
                ${BENCH_FIXTURES_DIR}/stamp)
    add_dependencies(lane-payload-fixtures host-tools)

    # osslsigncode still accepts a signature whose table carries the chain.
    add_test(NAME windows:payload-table-signature
        COMMAND grep -qx "Signature verification: ok" ${PAYLOAD_FIXTURES_DIR}/table.verify)
    # and both signed placements of msilaunch-pack keep it valid.
    foreach(placement table extension)
        add_test(NAME windows:pack-${placement}-signature
            COMMAND grep -qx "Signature verification: ok" ${PACK_FIXTURES_DIR}/${placement}.verify)
    endforeach()
endif()
