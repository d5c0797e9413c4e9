// The launcher's entry point.  The DLL search is narrowed to the system folder
// before anything else can load a library.
#include "launcher/main_flow.h"
#include "launcher/system_library.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showWindow)
{
    PrepareLibrarySearch();
    return static_cast<int>(RunLauncher(instance, showWindow));
}
