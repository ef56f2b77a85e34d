#include "lib/process_tree.h"

#include <algorithm>

std::vector<PROCESSENTRY32W> Processes()
{
    std::vector<PROCESSENTRY32W> processes;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return processes;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        processes.push_back(entry);
    }
    CloseHandle(snapshot);
    return processes;
}

namespace {

void AddDescendants(const std::vector<PROCESSENTRY32W>& processes, DWORD parent, std::vector<TreeMember>& out)
{
    for (const PROCESSENTRY32W& process : processes) {
        const bool known = std::any_of(out.begin(), out.end(),
                                       [&](const TreeMember& member) { return member.pid == process.th32ProcessID; });
        if (process.th32ParentProcessID == parent && process.th32ProcessID != parent && !known) {
            AddDescendants(processes, process.th32ProcessID, out);
            out.push_back({process.th32ProcessID, process.szExeFile});
        }
    }
}

} // namespace

std::vector<TreeMember> ProcessTree(DWORD root)
{
    const std::vector<PROCESSENTRY32W> processes = Processes();
    std::vector<TreeMember> tree;
    AddDescendants(processes, root, tree);
    for (const PROCESSENTRY32W& process : processes) {
        if (process.th32ProcessID == root) {
            tree.push_back({root, process.szExeFile});
        }
    }
    return tree;
}

void EndProcessTree(DWORD root)
{
    for (const TreeMember& member : ProcessTree(root)) {
        const HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, member.pid);
        if (process) {
            TerminateProcess(process, 99);
            WaitForSingleObject(process, 5000);
            CloseHandle(process);
        }
    }
}

std::wstring ImageOf(DWORD pid)
{
    const std::vector<PROCESSENTRY32W> processes = Processes();
    const auto found = std::find_if(processes.begin(), processes.end(),
                                    [&](const PROCESSENTRY32W& process) { return process.th32ProcessID == pid; });
    return found != processes.end() ? found->szExeFile : std::wstring();
}
