#include "client/Start.h"

#include "client/ProgramPicture.h"
#include "platform/classes/FormFiles.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Graphic.h"

VEMLOR_PUBLISHED(TfStart, TForm) { Field("Image1", &TfStart::Image1); }

TfStart::TfStart(TComponent* AOwner) : TForm(AOwner) {
    InitInheritedComponent(this);
    TBitmap* picture = Image1->Picture()->Bitmap();
    picture->SetSize(ClientWidth(), ClientHeight());
    PaintProgramPicture(*picture);
}
