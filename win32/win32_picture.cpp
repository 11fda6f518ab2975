#include "win32/win32_picture.h"

#include <span>

#include "picture/gif_picture.h"
#include "picture/stretch.h"

// Decoded and drawn with the program's own code and GDI alone: an imaging
// library would stay mapped for as long as the launcher waits, hours after
// the picture has gone.
Bitmap LoadResourcePicture(HINSTANCE instance, const wchar_t* name, const wchar_t* type, int width, int height,
                           COLORREF background) {
    HRSRC found = FindResourceW(instance, name, type);
    if (found == nullptr) {
        return {};
    }
    const DWORD size = SizeofResource(instance, found);
    HGLOBAL loaded = LoadResource(instance, found);
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr) {
        return {};
    }
    // Resource handles need no freeing in a Win32 program.
    const std::uint32_t rgb = GetRValue(background) << 16 | GetGValue(background) << 8 | GetBValue(background);
    return StretchBilinear(DecodeGif(std::span(static_cast<const std::uint8_t*>(bytes), size), rgb), width, height);
}

void DrawPicture(const Bitmap& picture, HDC dc, int x, int y) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = picture.Width;
    info.bmiHeader.biHeight = -picture.Height;  // rows from the top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    // A failed draw, and an empty picture, leave the window's background
    // showing, which is all the window could show instead.
    SetDIBitsToDevice(dc, x, y, static_cast<DWORD>(picture.Width), static_cast<DWORD>(picture.Height), 0, 0, 0,
                      static_cast<UINT>(picture.Height), picture.Pixels.data(), &info, DIB_RGB_COLORS);
}
