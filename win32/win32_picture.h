#pragma once

#include <objidl.h>
#include <windows.h>

// A picture from the program's resources, decoded once by GDI+ and drawn
// stretched whenever the window paints. An empty Picture (no Image) is a
// picture that could not be loaded; drawing it draws nothing.
struct Picture {
    HMODULE Gdiplus = nullptr;
    ULONG_PTR GdiplusToken = 0;
    IStream* Stream = nullptr;  // GDI+ may read from it for as long as Image lives
    void* Image = nullptr;      // GpImage*
};

// Decodes resource name of the given type; an empty Picture when any step
// fails, so that a damaged or missing picture never stops the program.
Picture LoadResourcePicture(HINSTANCE instance, const wchar_t* name, const wchar_t* type);

void DrawPicture(const Picture& picture, HDC dc, int x, int y, int width, int height);

void FreePicture(Picture& picture);
