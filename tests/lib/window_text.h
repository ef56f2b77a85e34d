#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A window's text and class name, of this or another process.
std::wstring WindowText(HWND window);
std::wstring WindowClass(HWND window);

// Every top-level window of this desktop, of every process, topmost first.
std::vector<HWND> TopLevelWindows();

// Text for the log: UTF-8, whatever the console's code page.
std::string Utf8(const std::wstring& text);

// The identifier of the static control that holds a message box's text.
constexpr int kMessageBoxTextId = 0xFFFF;
