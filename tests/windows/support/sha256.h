#pragma once

#include <string>

// The SHA-256 of a file, in lower-case hex as SHA256SUMS.txt has it; empty
// if it can't be read.
std::string Sha256Of(const std::wstring& path);
