// Finding, starting and waiting for Windows Installer.
#include "launcher/installer_launch.h"

#include "launcher/ansi_text.h"
#include "launcher/installer_command.h"
#include "launcher/system_message.h"

bool FindInstaller(char* path, DWORD room)
{
    path[0] = 0;
    UINT length = GetSystemDirectoryA(path, room);
    if (length == 0 || length >= room) {
        path[0] = 0;
        return false;
    }
    AnsiText text;
    AnsiTextStart(&text, path + length, room - length);
    AnsiTextAppend(&text, "\\msiexec.exe");
    if (text.cut) {
        path[0] = 0;
        return false;
    }
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void LaunchInstaller(RunState* run, const char* installerPath, const char* packagePath, WCHAR** arguments,
                     int count, int showWindow)
{
    char* commandLine = nullptr;
    run->status = BuildInstallerCommandLine(installerPath, packagePath, arguments, count, &commandLine);
    if (run->status.code != 0) {
        if (run->status.code == kStatusCommandLineTooLong) AnsiCopy(run->messageText, kMessageTextRoom, run->string103);
        return;
    }

    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showWindow & 0xFFFF);
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof(process));

    if (!CreateProcessA(installerPath, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        run->status = MakeStatus(GetLastError, ERROR_NO_PROC_SLOTS, 2355);
        ComposeSystemMessage(run->status.code, run->messageText, kMessageTextRoom, installerPath);
        LocalFree(commandLine);
        return;
    }
    LocalFree(commandLine);
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &run->installerExitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    if (run->installerExitCode != 0) {
        run->status = MakeStatus(nullptr, run->installerExitCode, 2349);
        run->suppressReport = 1;
    }
}
