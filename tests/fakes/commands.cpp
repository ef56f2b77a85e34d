#include "fakes/steps.h"

#include "cleanup/run_command.h"

namespace fake {
std::deque<bool> commandResults;
std::function<void(const std::wstring&)> onCommand;
}

bool RunCommand(const std::wstring& command)
{
    fake::log.push_back(L"run " + command);
    // As the real runner: an empty command line runs nothing.
    if (command.empty()) {
        return false;
    }
    if (fake::onCommand) {
        fake::onCommand(command);
    }
    if (fake::commandResults.empty()) {
        return true;
    }
    const bool result = fake::commandResults.front();
    fake::commandResults.pop_front();
    return result;
}
