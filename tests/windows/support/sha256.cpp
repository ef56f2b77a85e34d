#include "windows/support/sha256.h"

#include <windows.h>

#include <bcrypt.h>

#include <vector>

std::string Sha256Of(const std::wstring& path)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return {};
    }
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    std::string hex;
    if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) == 0) {
        if (BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) == 0) {
            std::vector<UCHAR> buffer(1 << 16);
            DWORD read = 0;
            bool ok = true;
            while (ok && ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) && read) {
                ok = BCryptHashData(hash, buffer.data(), read, 0) == 0;
            }
            UCHAR digest[32] = {};
            if (ok && BCryptFinishHash(hash, digest, sizeof(digest), 0) == 0) {
                const char digits[] = "0123456789abcdef";
                for (const UCHAR byte : digest) {
                    hex += digits[byte >> 4];
                    hex += digits[byte & 0xF];
                }
            }
            BCryptDestroyHash(hash);
        }
        BCryptCloseAlgorithmProvider(algorithm, 0);
    }
    CloseHandle(file);
    return hex;
}
