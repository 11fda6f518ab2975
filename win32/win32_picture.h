#pragma once

#include <windows.h>

#include "picture/bitmap.h"

// The GIF in resource name of the given type, stretched to width x height,
// with background where it is transparent. An empty Bitmap when it cannot
// be read, so that a damaged or missing picture never stops the program.
Bitmap LoadResourcePicture(HINSTANCE instance, const wchar_t* name, const wchar_t* type, int width, int height,
                           COLORREF background);

// Draws picture as it is, its top left corner at x, y; an empty one draws nothing.
void DrawPicture(const Bitmap& picture, HDC dc, int x, int y);
