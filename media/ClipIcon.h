#pragma once
// Icon helpers for list pictures: the pixel size of an icon handle, a handle
// fit for the screen made from an icon, and the program's own clipboard
// format for icons.

#include "platform/gfx/Icon.h"

// The program's clipboard format for icons (the icon in icon-file form).
constexpr const char* IconClipboardFormat = "Vemlor Icon";

// Width and height of the colour bitmap; without one, of the mask with half
// its height; the system icon size when the handle tells nothing.
TPoint IconPixelSize(HICON Icon);

// A new handle the caller owns: for an icon file, from the image that suits
// a screen of ScreenBits bits per pixel (an image of the screen's colour
// count, else the one with the most colours the screen can show, else the
// first); the program's application icon for an empty icon.
HICON CreateDisplayIcon(TIcon* Icon, int ScreenBits = 32);

// Binds the clipboard format to TIcon in the picture class.
void RegisterIconClipboardFormat();
