// The one include for Win32 names: the system's headers on Windows, the host
// stand-ins (host/win32_host.h) in the portable build on other systems.
#ifndef MSILAUNCH_LAUNCHER_PLATFORM_H
#define MSILAUNCH_LAUNCHER_PLATFORM_H

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include "host/win32_host.h"
#endif

#endif
