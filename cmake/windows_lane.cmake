# The Windows lane: everything the guest needs is staged in build/windows/lane
# (programs in bin/, scenario scripts in scenarios/, the guest's entry script);
# one CTest fixture boots the guest once and runs them all, and one test per
# scenario then reports that scenario's own result and log.
set(LANE_DIR ${CMAKE_BINARY_DIR}/lane)
file(GLOB LANE_SCENARIOS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/windows/scenarios/*.sh)
file(GLOB LANE_SUPPORT CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/windows/lane/*)

add_custom_target(lane-stage ALL
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${LANE_DIR}/bin ${LANE_DIR}/scenarios
    COMMAND ${CMAKE_COMMAND} -E make_directory ${LANE_DIR}/bin ${LANE_DIR}/scenarios
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:msilaunch> $<TARGET_FILE:robot>
            $<TARGET_FILE:standin-msiexec> $<TARGET_FILE:windows_unit_tests> $<TARGET_FILE:dialog-driver>
            $<TARGET_FILE:planted-dll> $<TARGET_FILE:naive-loader> $<TARGET_FILE:run-bench> ${LANE_DIR}/bin/
    COMMAND ${CMAKE_COMMAND} -E copy ${LANE_SCENARIOS} ${LANE_DIR}/scenarios/
    COMMAND ${CMAKE_COMMAND} -E copy ${LANE_SUPPORT} ${LANE_DIR}/
    COMMAND chmod +x ${LANE_DIR}/entry
    DEPENDS msilaunch robot standin-msiexec windows_unit_tests dialog-driver planted-dll naive-loader run-bench ${LANE_SCENARIOS} ${LANE_SUPPORT}
    COMMENT "Staging the Windows lane in ${LANE_DIR}"
    VERBATIM)

add_test(NAME windows-lane
    COMMAND ${CMAKE_SOURCE_DIR}/scripts/winlane --vm ${MSILAUNCH_CACHE}/vm ${LANE_DIR})
set_tests_properties(windows-lane PROPERTIES FIXTURES_SETUP windows-lane TIMEOUT 3000)

foreach(script ${LANE_SCENARIOS})
    get_filename_component(name ${script} NAME_WE)
    add_test(NAME windows:${name} COMMAND ${CMAKE_SOURCE_DIR}/scripts/lane-result ${LANE_DIR} ${name})
    set_tests_properties(windows:${name} PROPERTIES FIXTURES_REQUIRED windows-lane)
endforeach()
