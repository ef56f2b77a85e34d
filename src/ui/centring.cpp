#include "ui/centring.h"

POINT CentredOrigin(const RECT& desktopRect, const RECT& windowRect)
{
    const LONG width = windowRect.right - windowRect.left;
    const LONG height = windowRect.bottom - windowRect.top;
    return POINT{(desktopRect.right - width) / 2, (desktopRect.bottom - height) / 2};
}

void CentreOnDesktop(HWND window)
{
    RECT desktopRect{};
    RECT windowRect{};
    GetWindowRect(GetDesktopWindow(), &desktopRect);
    GetWindowRect(window, &windowRect);
    const POINT origin = CentredOrigin(desktopRect, windowRect);
    SetWindowPos(window, nullptr, origin.x, origin.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}
