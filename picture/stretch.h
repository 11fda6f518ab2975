#pragma once

#include "picture/bitmap.h"

// picture stretched to width x height, both above 0: each pixel lies between
// the four nearest of picture's, by the distance of their centres (bilinear).
Bitmap StretchBilinear(const Bitmap& picture, int width, int height);
