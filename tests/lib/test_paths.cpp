#include "lib/test_paths.h"

#include <cwchar>

std::wstring ThisExecutable()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

std::wstring ThisExecutableDir()
{
    const std::wstring path = ThisExecutable();
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

bool PathExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WriteFileText(const std::wstring& path, const std::string& text, DWORD attributes)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return true;
}

std::optional<std::string> ReadFileText(const std::wstring& path)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        text.append(buffer, read);
    }
    CloseHandle(file);
    return text;
}

std::vector<WIN32_FIND_DATAW> FindAll(const std::wstring& pattern)
{
    std::vector<WIN32_FIND_DATAW> found;
    WIN32_FIND_DATAW entry{};
    const HANDLE search = FindFirstFileW(pattern.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return found;
    }
    do {
        if (std::wcscmp(entry.cFileName, L".") != 0 && std::wcscmp(entry.cFileName, L"..") != 0) {
            found.push_back(entry);
        }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return found;
}

std::wstring EnvironmentVariable(const wchar_t* name)
{
    std::wstring value(GetEnvironmentVariableW(name, nullptr, 0), L'\0');
    const DWORD length = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    value.resize(length < value.size() ? length : 0);
    return value;
}

std::wstring MakeScratchDir(const wchar_t* name)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    // One per process: ctest runs tests side by side.
    std::wstring dir = std::wstring(temp) + name + L"-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    RemoveTree(dir);
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

namespace {
// The literal (\\?\) form of an absolute path: no trailing-dot or space
// trimming, no MAX_PATH limit.
std::wstring Literal(const std::wstring& path)
{
    return path.rfind(L"\\\\?\\", 0) == 0 ? path : L"\\\\?\\" + path;
}
} // namespace

void RemoveTree(const std::wstring& path)
{
    std::wstring dir = Literal(path);
    if (!dir.empty() && dir.back() == L'\\') {
        dir.pop_back();
    }
    const DWORD attributes = GetFileAttributesW(dir.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    SetFileAttributesW(dir.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        if (!DeleteFileW(dir.c_str())) {
            RemoveDirectoryW(dir.c_str());
        }
        return;
    }
    for (const WIN32_FIND_DATAW& entry : FindAll(dir + L"\\*")) {
        RemoveTree(dir + L"\\" + entry.cFileName);
    }
    RemoveDirectoryW(dir.c_str());
}
