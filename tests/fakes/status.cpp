#include "fakes/steps.h"

#include "ui/status_display.h"

// The handles the main window publishes, defined here in place of the status
// display's own, so that the real main window can be linked with this fake.
HWND hStatus = nullptr;    // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)
HWND hProgress = nullptr;  // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)

namespace fake {
std::vector<std::wstring> log;
std::function<void(int)> onStatus;
}

void UpdateStatus(const wchar_t* text, int progress)
{
    fake::log.push_back(L"status " + std::wstring(text) + L" " + std::to_wstring(progress));
    if (fake::onStatus) {
        fake::onStatus(progress);
    }
}
