// The gallery's drawing child: fonts, brushes, pens, a bitmap and an icon, painted in its Paint.
#pragma once

#include "runtime/value.h"

namespace gallery {

lanmere::Value newDrawing(const lanmere::Value& frame);

}  // namespace gallery
