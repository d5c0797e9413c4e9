# msilaunch-pack as a Windows console program (included by cmake/windows.cmake):
# the builder and the payload writer's sources on launcher_win, the launcher's
# own reader and selection with the real Win32 calls.  There is no libmsi for
# MinGW, so this build wants every MSI field given by hand (--arch,
# --languages, --product-code, --product-name, and --cab or --no-cabs).
# inspected_key.cpp is one of the sources, so its PayloadPublicKey is linked
# and launcher_win's generated key object is not (pack/CMakeLists.txt).
file(GLOB PACK_WINDOWS_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/pack/*.cpp ${CMAKE_SOURCE_DIR}/writer/*.cpp)
add_executable(msilaunch-pack ${PACK_WINDOWS_SOURCES})
target_include_directories(msilaunch-pack PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(msilaunch-pack PRIVATE -Wall -Wextra -Werror=return-type)
target_link_libraries(msilaunch-pack PRIVATE launcher_win)
target_link_options(msilaunch-pack PRIVATE -static -s)
