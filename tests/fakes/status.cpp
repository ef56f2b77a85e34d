#include "fakes/steps.h"

#include "ui/status_display.h"

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
