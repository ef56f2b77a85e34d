#pragma once

#include <windows.h>

#include <string>

// A window's text and class name, of this or another process.
std::wstring WindowText(HWND window);
std::wstring WindowClass(HWND window);

// Text for the log: UTF-8, whatever the console's code page.
std::string Utf8(const std::wstring& text);

// The identifier of the static control that holds a message box's text.
constexpr int kMessageBoxTextId = 0xFFFF;
