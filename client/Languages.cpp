#include "client/Languages.h"

#include <memory>

#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/StringList.h"
#include "platform/ui/DBGrids.h"

namespace {

AnsiString LanguageFolder() { return ProgramFolder() + "Lang/"; }

}  // namespace

void ListLanguageFiles(TStrings* Items) {
    for (const AnsiString& name : ListFiles(LanguageFolder(), "*.lng")) Items->Add(name);
}

void LoadLanguage(const AnsiString& FileName) {
    SetLang(std::make_unique<TLang>(LanguageFolder() + FileName));
}

void SetColumnTitle(TDBGrid* Grid, const AnsiString& FieldName, const AnsiString& Caption) {
    TDBGridColumns* columns = Grid->Columns();
    for (int i = 0; i < columns->Count(); ++i)
        if (SameText(columns->Items(i)->FieldName(), FieldName)) columns->Items(i)->Title()->SetCaption(Caption);
}
