#include "cleanup/spooler_command.h"

#include "cleanup/system_paths.h"

std::wstring SpoolerCommand(const wchar_t* verb)
{
    const std::wstring net = SystemPath(L"net.exe");
    if (net.empty()) {
        return {};
    }
    return L"\"" + net + L"\" " + verb + L" spooler";
}
