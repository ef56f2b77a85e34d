#include "spooler_command.h"

#include <windows.h>

std::wstring SpoolerCommand(const wchar_t* verb)
{
    wchar_t systemDir[MAX_PATH];
    const UINT length = GetSystemDirectoryW(systemDir, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return {};
    }
    std::wstring command = L"\"";
    command.append(systemDir, length);
    command += L"\\net.exe\" ";
    command += verb;
    command += L" spooler";
    return command;
}
