#include "cleanup/clean_print_jobs.h"

#include "cleanup/run_command.h"
#include "cleanup/spooler_command.h"
#include "cleanup/system_paths.h"
#include "ui/captions.h"
#include "ui/status_display.h"

#include <string>

namespace {

// Deletes go through the path's literal form: the usual form would drop a
// name's trailing dots and spaces (and so aim at another name) and stops at
// MAX_PATH, leaving such job files behind after a "successful" run.
const wchar_t kLiteralPathPrefix[] = L"\\\\?\\";

// Positions of the progress bar (0 to 100) at each stage.
constexpr int kProgressStopping = 30;
constexpr int kProgressDeleting = 60;
constexpr int kProgressRestarting = 100;
constexpr int kProgressEmpty = 0;

const wchar_t kStatusStopping[] = L"正在停止打印服务...";
const wchar_t kStatusStopFailed[] = L"停止服务失败";
const wchar_t kStatusDeleting[] = L"正在删除打印任务...";
const wchar_t kStatusRestarting[] = L"正在重启打印服务...";
const wchar_t kStatusRestartFailed[] = L"重启服务失败";
const wchar_t kStatusDone[] = L"清理完成！";

const wchar_t kCaptionSuccess[] = L"成功";
const wchar_t kBoxStopFailed[] = L"无法停止打印服务";
const wchar_t kBoxRestartFailed[] = L"无法重启打印服务";
const wchar_t kBoxSuccess[] = L"打印任务已清理并重启服务！";

void ShowBox(const wchar_t* text, const wchar_t* caption, UINT icon)
{
    // No owner: the main window stays as it is while the box is up.
    MessageBoxW(nullptr, text, caption, MB_OK | icon);
}

// Deletes every non-directory entry of the job directory, which ends in a
// backslash. Subdirectories are neither entered nor removed; a file that
// can't be deleted stays, and a directory that can't be searched leaves
// nothing to do.
void DeleteJobFiles(const std::wstring& jobDirectory)
{
    const std::wstring spoolPath = jobDirectory + L"*";
    WIN32_FIND_DATAW findData{};
    const HANDLE search = FindFirstFileW(spoolPath.c_str(), &findData);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        if (findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            continue;
        }
        const std::wstring filePath = kLiteralPathPrefix + jobDirectory + findData.cFileName;
        DeleteFileW(filePath.c_str());
    } while (FindNextFileW(search, &findData));
    FindClose(search);
}

} // namespace

void CleanPrintJobs(HWND /*window*/)
{
    // The spooler holds its job files open: it must be down before they can go.
    UpdateStatus(kStatusStopping, kProgressStopping);
    if (!RunCommand(SpoolerCommand(L"stop"))) {
        UpdateStatus(kStatusStopFailed, kProgressEmpty);
        ShowBox(kBoxStopFailed, kCaptionError, MB_ICONERROR);
        return;
    }

    // The jobs are where this Windows keeps them, found as net.exe was. Had
    // the system directory not been found, the stop would have failed.
    UpdateStatus(kStatusDeleting, kProgressDeleting);
    const std::wstring jobDirectory = JobDirectory();
    if (!jobDirectory.empty()) {
        DeleteJobFiles(jobDirectory);
    }

    UpdateStatus(kStatusRestarting, kProgressRestarting);
    if (!RunCommand(SpoolerCommand(L"start"))) {
        UpdateStatus(kStatusRestartFailed, kProgressEmpty);
        ShowBox(kBoxRestartFailed, kCaptionError, MB_ICONERROR);
        return;
    }

    UpdateStatus(kStatusDone, kProgressEmpty);
    ShowBox(kBoxSuccess, kCaptionSuccess, MB_ICONINFORMATION);
    PostQuitMessage(0);
}
