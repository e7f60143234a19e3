// Colour gradients: the one-pixel ramp (GRADIENT), banded fills, gradient descriptions of several
// bands (GRADIENTFILL) and the bitmaps and brushes painted with them. A gradient description is
// a list of bands {ratio, colour 1, colour 2}, ratio being the band's share of the length.
#pragma once

#include <windows.h>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

// The ramp from colour 1 to colour 2 over rows top to bottom (vertical) or columns left to
// right, all edges inclusive. A band of one row or column is colour 1.
void gradient(HDC dc, RECT area, COLORREF first, COLORREF last, bool vertical);
// The bands of `description` over the rectangle (edges inclusive), each band's last row or
// column at its share of the length, the last band ending at the edge.
void gradientFill(HDC dc, RECT area, const lanmere::Value& description, bool vertical);
// A device-compatible bitmap of that size painted with the description; recorded as "BMP".
HBITMAP gradientBitmap(HDC dc, int width, int height, const lanmere::Value& description,
                       bool vertical);

// GRADIENT (hDC, {top, left, bottom, right}, nColor1, nColor2, lVertical)
lanmere::Value GRADIENT(const lanmere::Value& hDC, const lanmere::Value& rect,
                        const lanmere::Value& color1, const lanmere::Value& color2,
                        const lanmere::Value& vertical);
// VGRADIENTFILL / HGRADIENTFILL (hDC, aRect, nColor1, nColor2, nSteps): bands stacked from the
// top / from the left.
lanmere::Value VGRADIENTFILL(const lanmere::Value& hDC, const lanmere::Value& rect,
                             const lanmere::Value& color1, const lanmere::Value& color2,
                             const lanmere::Value& steps);
lanmere::Value HGRADIENTFILL(const lanmere::Value& hDC, const lanmere::Value& rect,
                             const lanmere::Value& color1, const lanmere::Value& color2,
                             const lanmere::Value& steps);
// GRADIENTFILL (hDC, nTop, nLeft, nBottom, nRight, aGrad, lVertical = true)
lanmere::Value GRADIENTFILL(lanmere::Args args);
// GRADIENTBMP (hDC, nWidth = 319, nHeight = 153, aGrad, lVertical = true)
lanmere::Value GRADIENTBMP(const lanmere::Value& hDC, const lanmere::Value& width,
                           const lanmere::Value& height, const lanmere::Value& description,
                           const lanmere::Value& vertical);
// GRADIENTBRUSH (hDC, -, -, nWidth, nHeight, aGrad, lVertical = true): a pattern brush on a
// one-pixel strip of the gradient.
lanmere::Value GRADIENTBRUSH(lanmere::Args args);

const lanmere::ModuleTable& gradientModule();

}  // namespace kestrel
