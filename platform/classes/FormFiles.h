#pragma once
// Form files compiled into the program, looked up by form class name.
//
// A folder's CMakeLists.txt calls vemlor_forms(<target>) (cmake/Vemlor.cmake):
// the build turns each <unit>.form of the folder into bytes of a generated
// source that registers them here under the class of the form file's root
// object ("object fMain: TfMain" registers TfMain), so no form file can go
// missing at run time. A form class then reads its own in its constructor:
//
//   TfMain::TfMain(TComponent* AOwner) : TForm(AOwner) {
//       InitInheritedComponent(this);   // components, properties, handlers
//   }
//
// (TForm::AfterConstruction and TDataModule::AfterConstruction read it when
// the constructor did not, before OnCreate.)

#include <cstddef>
#include <initializer_list>

#include "platform/classes/Component.h"

struct TFormFile {
    AnsiString FileName;    // "Main.form", for messages
    AnsiString FormClass;   // "TfMain"
    AnsiString Text;        // Windows-1250 bytes
};

// Registered by the generated sources before main. Anchors are the link
// anchors of the classes the form names (ClassRegistry.h); they are only
// referenced, never called.
class TFormFileRegistrar {
public:
    TFormFileRegistrar(const char* FileName, const char* FormClass, const unsigned char* Data, std::size_t Size,
                       std::initializer_list<void (*)()> Anchors);
};

void RegisterFormFile(const TFormFile& File);
// nullptr when no form file is registered for the class (ignoring case).
const TFormFile* FindFormFile(const AnsiString& FormClass);

// Reads the form file registered for Instance's class into Instance; false
// when there is none. Raises what TReader raises.
bool InitInheritedComponent(TComponent* Instance);
