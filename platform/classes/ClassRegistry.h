#pragma once
// The class registry: the classes a form file may create, found by name.
//
// Every component class that can stand in a form file is registered once, by
// the library that defines it, with one line at global scope in the class's
// .cpp, beside its VEMLOR_PUBLISHED block:
//
//   VEMLOR_REGISTER_CLASS(TButton);
//
// The class needs StaticClassInfo() (VEMLOR_PUBLISHED) and, to be created by
// a form file, a constructor taking its owner: TButton(TComponent* AOwner).
// Persistent classes that appear only as nested properties (TFont, TPicture)
// register the same way, so that their names are known. A class inside a
// namespace writes the line inside the namespace, with the bare class name.
//
// Why a line at global scope: a form file names its classes only in text, so
// a class must be findable before any code names it. The line runs the
// registration before main (into the function-local registry of TypInfo.cpp,
// so the order of such lines does not matter), and defines a link anchor,
// VemlorClassAnchor_<Class>. The build's generated form-file sources
// (vemlor_forms in cmake/Vemlor.cmake) reference the anchor of every class
// their forms name: the linker then keeps the class's object file, which a
// static library would otherwise drop, registration and all; and a form that
// names a class nobody registered fails to link instead of failing at run
// time.

#include "platform/classes/TypInfo.h"
#include "platform/rtl/Exceptions.h"

VEMLOR_DECLARE_EXCEPTION(EClassNotFound, EFilerError);

template <class... T>
void RegisterClasses() {
    (RegisterClass<T>(), ...);
}

// A registered class by name, ignoring case; raises EClassNotFound
// "Class TFoo not found".
const TClassInfo& FindClass(const AnsiString& ClassName);
// The same, nullptr when none is registered by that name.
const TClassInfo* GetClass(const AnsiString& ClassName);

#define VEMLOR_REGISTER_CLASS(Class)                 \
    extern "C" void VemlorClassAnchor_##Class() {}   \
    [[maybe_unused]] static const bool VemlorClassRegistered_##Class = (RegisterClass<Class>(), true)
