#pragma once
// The root of the class hierarchy: a virtual destructor and the class name,
// which the component model and the property registry look objects up by.

#include "platform/rtl/System.h"

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = default;
    TObject& operator=(const TObject&) = default;
    virtual ~TObject() = default;

    // The unqualified C++ class name of the dynamic type ("TButton").
    AnsiString ClassName() const;
};
