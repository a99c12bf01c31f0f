#pragma once
// The download progress window: the package's file name, the kilobytes
// received and a Stop button. It stays on top while the main window goes on
// working; closing it by any means stops the request in hand, which the main
// window learns through OnClosed.

#include "platform/ui/ComCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

class TfDownLoad : public TForm {
public:
    explicit TfDownLoad(TComponent* AOwner);
    ~TfDownLoad() override;

    TLabel* Label2 = nullptr;
    TLabel* Label1 = nullptr;
    TProgressBar* ProgressBar1 = nullptr;
    TButton* Button1 = nullptr;

    void FormCreate(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void Button1Click(TObject* Sender);

    // Shows the window for a package, its bar at 0 of 100.
    void Start(const AnsiString& FileName);
    void SetProgress(const AnsiString& Text, Integer Position, Integer Max);

    // The user pressed Stop (the window closes right after).
    TNotifyEvent OnStop;
    // The window was closed, by Stop or otherwise.
    TNotifyEvent OnClosed;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

extern TfDownLoad* fDownLoad;
