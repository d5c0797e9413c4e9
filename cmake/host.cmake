# Host build: the portable parts on the host's Win32 stand-ins, their tests,
# and the package builder.  MSILAUNCH_SANITIZE adds ASan and UBSan.
option(MSILAUNCH_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(MSILAUNCH_FUZZ "Build the fuzz targets (clang): coverage, ASan and UBSan everywhere" OFF)

add_compile_options(-Wall -Wextra -Werror=return-type)
if(MSILAUNCH_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
if(MSILAUNCH_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

add_library(launcher_portable STATIC ${LAUNCHER_PORTABLE_SOURCES} host/win32_host.cpp host/crypt32_host.cpp)
target_include_directories(launcher_portable PUBLIC ${CMAKE_SOURCE_DIR})
find_package(OpenSSL REQUIRED COMPONENTS Crypto)
find_package(ZLIB REQUIRED)
target_link_libraries(launcher_portable PUBLIC OpenSSL::Crypto ZLIB::ZLIB)

# payload_writer: writes what the launcher reads (writer/CMakeLists.txt).
add_subdirectory(writer)
# msilaunch-pack, the package builder (pack/CMakeLists.txt), and its tests.
add_subdirectory(pack)
add_subdirectory(tests/pack)
if(MSILAUNCH_FUZZ)
    add_subdirectory(fuzz)
endif()
# decode-benchmark (bench/CMakeLists.txt): make bench runs it; make test once, small.
add_subdirectory(bench)

find_package(GTest REQUIRED)
file(GLOB HOST_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/host/*.cpp)
add_executable(host_tests ${HOST_TEST_SOURCES})
target_link_libraries(host_tests PRIVATE launcher_portable payload_writer GTest::gtest GTest::gtest_main)
# The private payload key that fixtures are signed with (empty: signing tests skip).
target_compile_definitions(host_tests PRIVATE MSILAUNCH_TEST_SIGNING_KEY="${MSILAUNCH_PAYLOAD_SIGNING_KEY}")
include(GoogleTest)
gtest_discover_tests(host_tests DISCOVERY_TIMEOUT 30)
