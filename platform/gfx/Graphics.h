#pragma once
// The whole graphics layer in one include, for code that uses most of it.

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Color.h"
#include "platform/gfx/Graphic.h"
#include "platform/gfx/GraphicsObjects.h"
#include "platform/gfx/GraphTypes.h"
#include "platform/gfx/Icon.h"
#include "platform/gfx/Jpeg.h"
