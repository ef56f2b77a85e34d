#pragma once

#include <windows.h>

namespace fake {

// The system's own function, from the DLL that exports it: what a stand-in
// calls to do the real work, past its own import slot.
template <typename Function>
Function Real(const wchar_t* dll, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(dll), name)));
}

} // namespace fake
