#pragma once

#include <windows.h>

// Top-left corner that centres a window of windowRect's size on a desktop
// whose right and bottom edges serve as its width and height. Halves are
// truncated toward zero.
POINT CentredOrigin(const RECT& desktopRect, const RECT& windowRect);

// Moves the window to the centre of the desktop without resizing it.
void CentreOnDesktop(HWND window);
