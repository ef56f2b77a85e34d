// Link-time stand-in for user32's DisableProcessWindowsGhosting in the
// start-up peer: WinMain's call goes through this import slot, which points
// at a function that does nothing, so the peer keeps the system's ghosting
// as a plain window program does.
#include <windows.h>

namespace {
void WINAPI LeaveGhostingOn() {}
} // namespace

extern "C" {
// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp,cppcoreguidelines-avoid-non-const-global-variables): the import slot's own name
void(WINAPI* __imp_DisableProcessWindowsGhosting)() = LeaveGhostingOn;
}
