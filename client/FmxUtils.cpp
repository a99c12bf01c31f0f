#include "client/FmxUtils.h"

#include "platform/os/Shell.h"

bool ShellRunFile(const AnsiString& FileName, const AnsiString& Params, const AnsiString& DefaultDir,
                  Integer ShowCmd) {
    return ShellExecute("open", FileName, Params, DefaultDir, ShowCmd);
}

bool ShellRunProgram(const AnsiString& FileName, const AnsiString& Params, const AnsiString& DefaultDir) {
    return StartProgramFile(FileName, Params, DefaultDir);
}
