// Built as the shipped program is. Started with "overrun" it copies more
// into a buffer on its stack than the buffer holds, as a malformed input
// would; the stack guard must end it there, with the fast-fail code, before
// the damaged frame returns. Started with anything else it copies what fits
// and ends with kReturned.
#include <windows.h>

#include <cstring>

namespace {

constexpr int kReturned = 7;
constexpr std::size_t kBuffer = 16;
constexpr std::size_t kOverrun = 256;

// Where the copy is read back, so that the compiler keeps it.
volatile char lastCopied = 0;

__attribute__((noinline)) void Copy(const char* input, std::size_t length)
{
    char buffer[kBuffer];
    std::memcpy(buffer, input, length);
    lastCopied = buffer[kBuffer - 1];
}

} // namespace

// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name): winbase.h names them in its own style
int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR commandLine, int /*showCommand*/)
{
    static char input[kOverrun];
    std::memset(input, 'A', sizeof(input));
    const bool overrun = std::strstr(commandLine, "overrun") != nullptr;
    Copy(input, overrun ? sizeof(input) : kBuffer);
    return kReturned;
}
