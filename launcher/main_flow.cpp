// The order of a run.  Every step runs only while the running status is 0, so
// the first failure is the one reported and returned; clean-up and the report
// run on every path that reached them.
#include "launcher/main_flow.h"

#include <objbase.h>

#include "launcher/ansi_text.h"
#include "launcher/command_line.h"
#include "launcher/installer_command.h"
#include "launcher/installer_launch.h"
#include "launcher/launcher_state.h"
#include "launcher/own_image.h"
#include "launcher/report.h"
#include "launcher/system_library.h"
#include "package/extraction_folder.h"
#include "package/selection.h"
#include "payload/payload_source.h"
#include "resources/resource_ids.h"
#include "ui/progress_dialog.h"
#include "ui/taskbar_progress.h"

namespace {

LauncherState g_state;
LauncherProcess g_process;
RunState g_run;

void LoadStrings(RunState* run)
{
    LoadStringA(g_process.instance, IDS_INSTALLER_MISSING, run->string100, sizeof(run->string100));
    LoadStringA(g_process.instance, IDS_PACKAGE_UNUSABLE, run->string101, sizeof(run->string101));
    LoadStringA(g_process.instance, IDS_BROWSE_PROMPT, run->string102, sizeof(run->string102));
    LoadStringA(g_process.instance, IDS_COMMAND_LINE_TOO_LONG, run->string103, sizeof(run->string103));
}

// Steps 5 to 7: the image, its payload sources and the strings.
void LoadPayload(RunState* run)
{
    BYTE* image = nullptr;
    DWORD imageSize = 0;
    run->status = ReadOwnImage(g_process.ownPath, &image, &imageSize);
    if (run->status.code == 0) {
        run->status = LoadPayloadSources(&g_state, image, imageSize);
        LocalFree(image);
    }
    LoadStrings(run);
    if (run->status.code != 0) AnsiCopy(run->messageText, kMessageTextRoom, run->string101);
}

// Steps 9 to 13: selection, installer search, output files, extraction and the
// installer itself.
void InstallPackage(RunState* run)
{
    ExtractionQueue* queue = &run->queue;
    queue->currentIndex = -1;
    queue->chunkSize = kExtractionChunkSize;
    run->installerExitCode = ERROR_INSTALL_SERVICE_FAILURE;

    if (!SelectPackage(&g_state, &run->selection, &run->cabQuery, queue)) {
        run->selectionFailed = 1;
        AnsiCopy(run->messageText, kMessageTextRoom, run->string101);
        run->status = MakeStatus(nullptr, ERROR_INVALID_DATA, 2151);
        return;
    }
    if (!FindInstaller(run->installerPath, sizeof(run->installerPath))) {
        AnsiCopy(run->messageText, kMessageTextRoom, run->string100);
        run->status = MakeStatus(nullptr, ERROR_NO_ASSOCIATION, 2161);
        return;
    }
    run->status = CheckInstallerCommandLineRoom(run->installerPath, g_process.arguments, g_process.argumentCount);
    if (run->status.code != 0) {
        if (run->status.code == kStatusCommandLineTooLong) {
            AnsiCopy(run->messageText, kMessageTextRoom, run->string103);
        }
        return;
    }
    run->status = PrepareOutputFiles(run, &g_state);
    if (run->status.code != 0) return;

    int dialog = RunProgressDialog(queue, "MSI_STUB_WINDOW_CLASS_NAME", run->selection.productName, "MS Sans Serif");
    if (dialog != 1) {
        run->status = MakeStatus(nullptr, ERROR_WRITE_FAULT, 2280);
        run->suppressReport = 1;
        return;
    }
    run->status = LockOutputFiles(run);
    if (run->status.code != 0) return;
    LaunchInstaller(run, run->installerPath, queue->files[0].fullPath, g_process.arguments,
                    g_process.argumentCount, g_process.showWindow);
}

void Run(RunState* run)
{
    g_process.arguments = SplitCommandLine(GetCommandLineW(), &g_process.argumentCount);
    if (g_process.arguments == nullptr) {
        run->status = MakeStatus(GetLastError, ERROR_NOT_ENOUGH_MEMORY, 2411);
        return;
    }
    g_process.ownPath = GetOwnPath();
    if (g_process.ownPath == nullptr) {
        run->status = MakeStatus(nullptr, ERROR_CANT_RESOLVE_FILENAME, 2406);
        return;
    }
    LoadPayload(run);
    if (run->status.code != 0) return;

    g_process.taskbar = TaskbarProgressCreate();
    SetCurrentTaskbarProgress(g_process.taskbar);
    InstallPackage(run);
    RemoveExtractedFiles(run, &g_state);
    TaskbarProgressRelease(g_process.taskbar);
    g_process.taskbar = nullptr;
}

}  // namespace

DWORD RunLauncher(HINSTANCE instance, int showWindow)
{
    g_process.instance = instance;
    g_process.showWindow = showWindow;
    InitCommonControlsFromSystem();
    CoInitialize(nullptr);

    ZeroMemory(&g_state, sizeof(g_state));
    g_state.userLanguage = GetUserDefaultLCID();
    g_state.is64 = static_cast<DWORD>(RunningUnderWow64());

    RunState* run = &g_run;
    ZeroMemory(run, sizeof(*run));
    run->status = MakeStatus(nullptr, ERROR_BAD_FORMAT, 1942);
    run->installerExitCode = ERROR_INSTALL_SERVICE_FAILURE;

    Run(run);
    ReportOutcome(run, g_process.arguments, g_process.arguments ? g_process.argumentCount : 0, g_process.ownPath);

    DWORD code = run->status.code;
    FreePayloadSources(&g_state);
    LocalFree(g_process.ownPath);
    LocalFree(g_process.arguments);
    g_process.ownPath = nullptr;
    g_process.arguments = nullptr;
    CoUninitialize();
    return code;
}
