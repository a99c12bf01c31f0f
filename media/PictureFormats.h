#pragma once
// The picture formats a program registers at its start, in one call from its
// program block.

// The second GIF codec first and the main one after it, so that ".gif" files
// and the "GIF Image" clipboard format go to the main codec; then icon files
// and the icon clipboard format, and the two kinds of metafile. Calling it
// again registers nothing twice.
void RegisterPictureFormats();
