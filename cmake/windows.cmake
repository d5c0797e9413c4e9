# Windows build (MinGW-w64, i686): msilaunch.exe, the test tools, the unit
# tests that run under Wine, and the Windows lane that runs them in the guest.
enable_language(RC)

set(MSILAUNCH_OPENSSL_MINGW "${MSILAUNCH_CACHE}/openssl-mingw" CACHE PATH "libcrypto and zlib built for i686 MinGW by scripts/setup")

# The launcher: small, no C++ run-time features it does not use, and no DLL
# beyond the system's own.  libcrypto and zlib come as LTO objects
# (scripts/build-openssl-mingw), so the launcher is optimised with them as one
# unit.
set(LAUNCHER_COMPILE_OPTIONS -Os -flto -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
    -ffunction-sections -fdata-sections -Wall -Wextra -Werror=return-type)
# The linker's own script, except that unwind tables are dropped: nothing in
# the launcher unwinds (no C++ exceptions, no unwinder linked), and on PE every
# .eh_frame record keeps the function it describes (and all that it calls)
# alive through --gc-sections.
execute_process(COMMAND ${CMAKE_LINKER} --verbose OUTPUT_VARIABLE linker_verbose RESULT_VARIABLE linker_result)
string(REGEX MATCH "\n=+\n(.*)\n=+\n" linker_script "${linker_verbose}")
set(linker_script "${CMAKE_MATCH_1}")
string(REGEX REPLACE "\\.eh_frame BLOCK\\(__section_alignment__\\) :[ \n]*{[ \n]*KEEP\\(\\*\\(\\.eh_frame\\*\\)\\)[ \n]*}"
    "/DISCARD/ : { *(.eh_frame*) }" launcher_script "${linker_script}")
if(NOT linker_result EQUAL 0 OR linker_script STREQUAL "" OR launcher_script STREQUAL linker_script)
    message(FATAL_ERROR "cannot derive the launcher's linker script from ${CMAKE_LINKER} --verbose")
endif()
file(WRITE ${CMAKE_BINARY_DIR}/msilaunch.ld "${launcher_script}\n")
set(LAUNCHER_LINK_OPTIONS -static -static-libgcc -static-libstdc++ -flto -flto-partition=one
    -Wl,--gc-sections -Wl,-T,${CMAKE_BINARY_DIR}/msilaunch.ld
    -Wl,--dynamicbase -Wl,--nxcompat -Wl,--large-address-aware)

add_library(launcher_win STATIC
    ${LAUNCHER_PORTABLE_SOURCES}
    launcher/installer_launch.cpp
    launcher/main_flow.cpp
    launcher/own_image.cpp
    launcher/system_library.cpp
    package/extraction_folder.cpp
    package/wow64.cpp
    ui/progress_dialog.cpp
    ui/taskbar_progress.cpp
)
target_include_directories(launcher_win PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(launcher_win PRIVATE ${LAUNCHER_COMPILE_OPTIONS})
target_compile_definitions(launcher_win PUBLIC WINVER=0x0601 _WIN32_WINNT=0x0601)
target_link_libraries(launcher_win PUBLIC ole32 shell32 advapi32)
# The payload's zlib and libcrypto, linked statically (both built by
# scripts/build-openssl-mingw).
target_include_directories(launcher_win PUBLIC ${MSILAUNCH_OPENSSL_MINGW}/include)
target_link_libraries(launcher_win PUBLIC ${MSILAUNCH_OPENSSL_MINGW}/lib/libcrypto.a ${MSILAUNCH_OPENSSL_MINGW}/lib/libz.a)

add_subdirectory(tools)

# dialog_driver.exe: the progress dialog on real files, for the lane.  It
# carries the launcher's resources, so it looks like the launcher.
add_executable(dialog-driver tools/dialog_driver/dialog_driver.cpp resources/launcher.rc)
set_target_properties(dialog-driver PROPERTIES OUTPUT_NAME dialog_driver)
target_compile_options(dialog-driver PRIVATE -Os -Wall -Wextra)
target_include_directories(dialog-driver PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
target_link_libraries(dialog-driver PRIVATE launcher_win)
target_link_options(dialog-driver PRIVATE -static -s)
add_dependencies(dialog-driver app-icon)

add_executable(msilaunch WIN32 launcher/winmain.cpp launcher/report_box.cpp resources/launcher.rc)
target_compile_options(msilaunch PRIVATE ${LAUNCHER_COMPILE_OPTIONS})
target_link_libraries(msilaunch PRIVATE launcher_win)
target_link_options(msilaunch PRIVATE ${LAUNCHER_LINK_OPTIONS} -s -Wl,-Map=${CMAKE_BINARY_DIR}/msilaunch.map)
set_source_files_properties(resources/launcher.rc PROPERTIES OBJECT_DEPENDS "${CMAKE_BINARY_DIR}/app.ico;${CMAKE_SOURCE_DIR}/resources/app.manifest")
target_include_directories(msilaunch PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
add_dependencies(msilaunch app-icon)

# GoogleTest from Debian's source package, built with the cross compiler.
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
target_compile_options(gtest PUBLIC "SHELL:-include ${CMAKE_SOURCE_DIR}/tests/windows/gtest_notification.h")

file(GLOB WINDOWS_UNIT_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/windows/unit/*.cpp)
add_executable(windows_unit_tests ${WINDOWS_UNIT_TEST_SOURCES})
target_link_libraries(windows_unit_tests PRIVATE launcher_win gtest gtest_main)
target_link_options(windows_unit_tests PRIVATE -static)

# msilaunch-pack, the package builder, as a Windows console program.
include(pack/windows.cmake)

include(cmake/windows_lane.cmake)
include(cmake/payload_fixtures.cmake)

add_test(NAME windows:image-format
    COMMAND ${CMAKE_SOURCE_DIR}/tests/windows/check_image.sh ${CMAKE_OBJDUMP} $<TARGET_FILE:msilaunch>)

# run-bench.exe: the benchmark lane's measurements (bench/windows/run_bench.cpp).
add_executable(run-bench bench/windows/run_bench.cpp)
set_target_properties(run-bench PROPERTIES OUTPUT_NAME run-bench)
target_compile_options(run-bench PRIVATE -O2 -Wall -Wextra -municode)
target_link_libraries(run-bench PRIVATE launcher_win psapi)
target_link_options(run-bench PRIVATE -municode -static -s -Wl,--large-address-aware)
