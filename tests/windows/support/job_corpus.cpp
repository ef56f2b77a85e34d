#include "windows/support/job_corpus.h"

#include "windows/support/platform.h"

#include "lib/job_dir.h"
#include "lib/test_paths.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <iterator>

namespace {

constexpr DWORD kDirectory = FILE_ATTRIBUTE_DIRECTORY;

// A name that puts the file's full path past MAX_PATH.
std::wstring LongName()
{
    const size_t length = MAX_PATH - kJobDir.size() + 20;
    return std::wstring(length - 4, L'L') + L".SPL";
}

} // namespace

JobCorpus::JobCorpus()
    : entries_{{L"00042.SPL", FILE_ATTRIBUTE_NORMAL, false},
               {L"00042.SHD", FILE_ATTRIBUTE_NORMAL, false},
               {L"00043.SPL", FILE_ATTRIBUTE_NORMAL, false},
               {L"00043.SHD", FILE_ATTRIBUTE_NORMAL, false},
               {L"财务报表 第3季度.SPL", FILE_ATTRIBUTE_NORMAL, false},
               {L"ends in a dot.", FILE_ATTRIBUTE_NORMAL, false},
               {L"ends in a space ", FILE_ATTRIBUTE_NORMAL, false},
               {LongName(), FILE_ATTRIBUTE_NORMAL, false},
               {L"hidden.SPL", FILE_ATTRIBUTE_HIDDEN, false},
               {L"system.SHD", FILE_ATTRIBUTE_SYSTEM, false},
               {L"hidden system.SPL", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, false},
               {L"read-only.SPL", FILE_ATTRIBUTE_READONLY, true},
               {L"kept\\", kDirectory, true},
               {L"kept\\inner.SPL", FILE_ATTRIBUTE_NORMAL, true}}
{
    CreateDirectoryW(kJobDir.c_str(), nullptr);
    for (const Entry& entry : entries_) {
        if (entry.attributes == kDirectory) {
            CreateDirectoryW((L"\\\\?\\" + kJobDir + entry.name).c_str(), nullptr);
        } else {
            MakeJobFile(entry.name, entry.attributes);
        }
    }
}

JobCorpus::~JobCorpus()
{
    for (const Entry& entry : entries_) {
        RemoveTree(kJobDir + entry.name);
    }
}

std::vector<std::wstring> JobCorpus::All() const
{
    std::vector<std::wstring> names;
    std::transform(entries_.begin(), entries_.end(), std::back_inserter(names),
                   [](const Entry& entry) { return entry.name; });
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::wstring> JobCorpus::Staying() const
{
    std::vector<std::wstring> names;
    for (const Entry& entry : entries_) {
        if (entry.stays) {
            names.push_back(entry.name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string JobCorpus::Describe() const
{
    std::string lines;
    for (const Entry& entry : entries_) {
        const std::wstring shown = entry.name.size() > 40 ? entry.name.substr(0, 12) + L"... (" +
                                                                std::to_wstring(entry.name.size()) + L" characters)"
                                                          : L"\"" + entry.name + L"\"";
        char attributes[16] = {};
        static_cast<void>(std::snprintf(attributes, sizeof(attributes), "0x%04lx", entry.attributes));
        lines += "  " + Utf8(shown) + ", attributes " + attributes + (entry.stays ? ", stays\n" : ", goes\n");
    }
    return lines;
}
