#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A jammed queue planted in the machine's job directory: job files with
// every kind of name and attribute a cleanup must handle, and what it must
// leave (a read-only file, which it can't delete, and a subdirectory with a
// file in it, which it doesn't enter).
class JobCorpus {
public:
    JobCorpus();   // plants it
    ~JobCorpus();  // removes whatever of it is left
    JobCorpus(const JobCorpus&) = delete;
    JobCorpus& operator=(const JobCorpus&) = delete;
    JobCorpus(JobCorpus&&) = delete;
    JobCorpus& operator=(JobCorpus&&) = delete;

    // Sorted listings of the job directory as ListJobDir gives them: all of
    // the corpus, and what a successful run leaves of it.
    std::vector<std::wstring> All() const;
    std::vector<std::wstring> Staying() const;

    // One line per entry, for the log.
    std::string Describe() const;

private:
    struct Entry {
        std::wstring name;
        DWORD attributes;
        bool stays;
    };
    std::vector<Entry> entries_;
};
