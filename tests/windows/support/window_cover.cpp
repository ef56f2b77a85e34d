#include "windows/support/window_cover.h"

#include "windows/support/platform.h"

#include "lib/process_tree.h"
#include "lib/window_text.h"

namespace {

std::wstring DesktopName(HDESK desktop)
{
    wchar_t name[256] = {};
    DWORD needed = 0;
    if (!GetUserObjectInformationW(desktop, UOI_NAME, name, sizeof(name), &needed)) {
        return {};
    }
    return name;
}

} // namespace

std::vector<PointOnTop> PointsOnTop(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    constexpr LONG kInset = 4;  // inside the frame's rounded corners
    const struct {
        const char* where;
        POINT point;
    } points[] = {
        {"top-left corner", {rect.left + kInset, rect.top + kInset}},
        {"top-right corner", {rect.right - kInset, rect.top + kInset}},
        {"bottom-left corner", {rect.left + kInset, rect.bottom - kInset}},
        {"bottom-right corner", {rect.right - kInset, rect.bottom - kInset}},
        {"centre", {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}},
    };
    std::vector<PointOnTop> seen;
    for (const auto& p : points) {
        PointOnTop on{p.where, 0, "nothing"};
        const HWND hit = WindowFromPoint(p.point);
        const HWND top = hit ? GetAncestor(hit, GA_ROOT) : nullptr;
        if (top) {
            GetWindowThreadProcessId(top, &on.pid);
            on.owner = "a window of class " + Utf8(WindowClass(top)) + " of " + Utf8(ImageOf(on.pid)) +
                       " (process " + std::to_string(on.pid) + ")";
        }
        seen.push_back(on);
    }
    return seen;
}

std::string CoverProblem(const std::vector<PointOnTop>& points, DWORD pid)
{
    std::string problem;
    for (const PointOnTop& point : points) {
        if (point.pid != pid) {
            problem += std::string(problem.empty() ? "" : "; ") + "at its " + point.where + ": " + point.owner;
        }
    }
    return problem.empty() ? problem : "the program's window is covered: " + problem;
}

std::string DesktopProblem()
{
    const HDESK input = OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS);
    if (!input) {
        return "no desktop takes input (OpenInputDesktop: error " + std::to_string(GetLastError()) +
               "): a session without an interactive desktop, or a locked or secure one";
    }
    const std::wstring inputName = DesktopName(input);
    CloseDesktop(input);
    const std::wstring ownName = DesktopName(GetThreadDesktop(GetCurrentThreadId()));
    if (inputName != ownName) {
        return "the desktop taking input is " + Utf8(inputName) + ", not this program's " + Utf8(ownName);
    }
    return {};
}

std::string NotInView(HWND window, DWORD pid)
{
    const std::string desktop = DesktopProblem();
    return desktop.empty() ? CoverProblem(PointsOnTop(window), pid) : desktop;
}
