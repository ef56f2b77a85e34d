#pragma once

// The caption of the program's error boxes, whichever part shows them.
constexpr wchar_t kCaptionError[] = L"错误";
