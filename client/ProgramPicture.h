#pragma once
// The program's picture: a mobile phone with a message on its screen, on
// the program's green. The about box shows it in a square; the splash
// window shows it wide, where the program's name goes beside the phone.

class TBitmap;

// Paints the whole bitmap, at its size (a picture at least twice as wide as
// it is high gets the name as well).
void PaintProgramPicture(TBitmap& Picture);
