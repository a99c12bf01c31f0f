#pragma once
// The picture formats a program registers at its start, in one call from its
// program block.

// The second GIF codec first and the main one after it, so that ".gif" files
// and the "GIF Image" clipboard format go to the main codec; then the icon
// clipboard format.
void RegisterPictureFormats();
