#pragma once
// A form on a 1024 x 768 screen for the tests of controls that drop down
// windows of their own, placed by the screen's size.

#include "platform/ui/Forms.h"
#include "platform/ui/TestSupport.h"

struct TScreenHost {
    TScreenHost() {
        OverrideScreenSize(1024, 768);
        Form = new TForm(nullptr);
        Form->SetBounds(100, 100, 400, 300);
    }
    ~TScreenHost() {
        Form->Free();
        PumpUntilIdle();
        OverrideScreenSize(0, 0);
    }
    TScreenHost(const TScreenHost&) = delete;
    TScreenHost& operator=(const TScreenHost&) = delete;

    // A control of the form, 21 pixels high like an edit.
    template <class T>
    T* Make(const char* Name, Integer Top = 8) {
        T* control = new T(Form);
        control->SetName(Name);
        control->SetParent(Form);
        control->SetBounds(8, Top, 150, 21);
        return control;
    }
    TForm* Form;
};
