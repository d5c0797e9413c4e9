# Host build: the portable parts on the host's Win32 stand-ins, their tests,
# and (later) the package builder.  MSILAUNCH_SANITIZE adds ASan and UBSan.
option(MSILAUNCH_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

add_compile_options(-Wall -Wextra -Werror=return-type)
if(MSILAUNCH_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

add_library(launcher_portable STATIC ${LAUNCHER_PORTABLE_SOURCES} host/win32_host.cpp)
target_include_directories(launcher_portable PUBLIC ${CMAKE_SOURCE_DIR})

find_package(GTest REQUIRED)
file(GLOB HOST_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/host/*.cpp)
add_executable(host_tests ${HOST_TEST_SOURCES})
target_link_libraries(host_tests PRIVATE launcher_portable GTest::gtest GTest::gtest_main)
include(GoogleTest)
gtest_discover_tests(host_tests DISCOVERY_TIMEOUT 30)
