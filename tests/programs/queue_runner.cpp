// The Windows half of the jammed-queue test (tests/jammed_queue_test.py
// builds the corpus and compares the drive before and after). It gives the
// job files their DOS attributes, holds one open as a busy spooler would,
// runs the built program through its clean button against the stand-in
// spooler, and reports what it saw. Exit code 0 when the run ended in the
// success box and the program with exit code 0.
//
// Attributes come from the name: "attr-HSR-..." gets hidden, system and
// read-only (any of the three letters).
#include "lib/job_dir.h"
#include "lib/running_program.h"
#include "lib/services.h"
#include "lib/test_paths.h"
#include "lib/test_prefix.h"

#include "ui/main_window.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

const wchar_t kLockedName[] = L"locked-by-spooler.SPL";

// Prints a line as UTF-8 (the C runtime's %ls can't in the "C" locale).
void PrintLine(const std::wstring& label, const std::wstring& text)
{
    const std::string utf8 = Utf8(label + text + L"\n");
    static_cast<void>(std::fwrite(utf8.data(), 1, utf8.size(), stdout));
}

DWORD AttributesFromName(const std::wstring& name)
{
    if (name.rfind(L"attr-", 0) != 0) {
        return 0;
    }
    DWORD attributes = 0;
    for (size_t i = 5; i < name.size() && name[i] != L'-'; ++i) {
        switch (name[i]) {
        case L'H': attributes |= FILE_ATTRIBUTE_HIDDEN; break;
        case L'S': attributes |= FILE_ATTRIBUTE_SYSTEM; break;
        case L'R': attributes |= FILE_ATTRIBUTE_READONLY; break;
        default: break;
        }
    }
    return attributes;
}

int SetAttributes()
{
    int count = 0;
    for (const WIN32_FIND_DATAW& entry : FindAll(kJobDir + L"*")) {
        const DWORD attributes = AttributesFromName(entry.cFileName);
        if (attributes && SetFileAttributesW((kJobDir + entry.cFileName).c_str(), attributes)) {
            ++count;
        }
    }
    return count;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        std::printf("usage: queue_runner.exe WORKING-DIRECTORY-OF-THE-PROGRAM\n");
        return 12;
    }
    if (const testing::AssertionResult inPrefix = InThrowawayPrefix(); !inPrefix) {
        std::printf("%s: refusing\n", inPrefix.message());
        return 10;
    }
    std::printf("attributes set on %d files\n", SetAttributes());
    const HANDLE locked = CreateFileW((kJobDir + std::wstring(kLockedName)).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    std::printf("held open without delete sharing: %s\n", locked != INVALID_HANDLE_VALUE ? "yes" : "no");
    SetSpoolerRefusesStart(false);
    if (!SetServiceState(L"Spooler", SERVICE_RUNNING)) {
        std::printf("the stand-in spooler does not run\n");
        if (locked != INVALID_HANDLE_VALUE) {
            CloseHandle(locked);
        }
        return 11;
    }

    long long exitCode = -1;
    std::wstring boxText;
    {
        RunningProgram program(ThisExecutableDir() + L"..\\kestrafen.exe", SW_SHOWNORMAL, argv[1]);
        if (program.MainWindow()) {
            const RunningProgram::Cleanup run = program.Clean();
            for (const std::wstring& stage : run.stages) {
                PrintLine(L"status: ", stage);
            }
            boxText = run.box.text;
            exitCode = program.WaitForExit(60000);
        }
    }
    if (locked != INVALID_HANDLE_VALUE) {
        CloseHandle(locked);
    }
    PrintLine(L"box: ", boxText);
    std::printf("exit code: %lld\n", exitCode);
    return boxText == L"打印任务已清理并重启服务！" && exitCode == 0 ? 0 : 1;
}
