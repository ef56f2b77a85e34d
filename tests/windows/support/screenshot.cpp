#include "windows/support/screenshot.h"

#include <algorithm>
#include <set>

namespace {

constexpr int kBitsPerPixel = 24;
constexpr int kColourLimit = 64;
constexpr WORD kBitmapMagic = 0x4D42;  // "BM"

bool WriteBmp(const std::wstring& path, const BITMAPINFOHEADER& header, const std::vector<BYTE>& pixels)
{
    BITMAPFILEHEADER file{};
    file.bfType = kBitmapMagic;
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
    const HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                   nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool ok = WriteFile(out, &file, sizeof(file), &written, nullptr) &&
                    WriteFile(out, &header, sizeof(header), &written, nullptr) &&
                    WriteFile(out, pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr);
    CloseHandle(out);
    return ok;
}

int CountColours(const std::vector<BYTE>& pixels, int width, int height, int stride)
{
    std::set<DWORD> colours;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width && colours.size() < kColourLimit; ++x) {
            const BYTE* pixel = &pixels[(static_cast<size_t>(y) * static_cast<size_t>(stride)) +
                                        (static_cast<size_t>(x) * 3)];
            colours.insert(RGB(pixel[2], pixel[1], pixel[0]));
        }
    }
    return static_cast<int>(colours.size());
}

} // namespace

Shot SaveScreenshot(const std::vector<HWND>& windows, const std::wstring& path)
{
    Shot shot;
    RECT all{};
    for (const HWND window : windows) {
        RECT rect{};
        GetWindowRect(window, &rect);
        UnionRect(&all, &all, &rect);
    }
    shot.width = all.right - all.left;
    shot.height = all.bottom - all.top;
    if (shot.width <= 0 || shot.height <= 0) {
        return shot;
    }
    // The pixels on the screen: a window whose program is busy (in a run)
    // can't draw itself on request, but its last picture stays there.
    const HDC screen = GetDC(nullptr);
    const HDC canvas = CreateCompatibleDC(screen);
    const HBITMAP picture = CreateCompatibleBitmap(screen, shot.width, shot.height);
    const HGDIOBJ oldPicture = SelectObject(canvas, picture);
    BitBlt(canvas, 0, 0, shot.width, shot.height, screen, all.left, all.top, SRCCOPY | CAPTUREBLT);
    SelectObject(canvas, oldPicture);

    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = shot.width;
    header.biHeight = shot.height;  // bottom-up, as BMP files are
    header.biPlanes = 1;
    header.biBitCount = kBitsPerPixel;
    header.biCompression = BI_RGB;
    const int stride = ((shot.width * 3) + 3) & ~3;
    std::vector<BYTE> pixels(static_cast<size_t>(stride) * static_cast<size_t>(shot.height));
    BITMAPINFO info{};
    info.bmiHeader = header;
    const int lines = GetDIBits(canvas, picture, 0, static_cast<UINT>(shot.height), pixels.data(), &info,
                                DIB_RGB_COLORS);
    DeleteObject(picture);
    DeleteDC(canvas);
    ReleaseDC(nullptr, screen);
    if (lines != shot.height) {
        return shot;
    }
    shot.colours = CountColours(pixels, shot.width, shot.height, stride);
    shot.saved = WriteBmp(path, header, pixels);
    return shot;
}
