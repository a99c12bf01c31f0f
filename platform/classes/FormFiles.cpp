#include "platform/classes/FormFiles.h"

#include <map>
#include <mutex>

#include "platform/classes/Filer.h"
#include "platform/rtl/SysUtils.h"

namespace {

struct TFormFiles {
    std::mutex Lock;
    std::vector<std::unique_ptr<TFormFile>> Files;
};

TFormFiles& Files() {
    static TFormFiles files;
    return files;
}

}  // namespace

TFormFileRegistrar::TFormFileRegistrar(const char* FileName, const char* FormClass, const unsigned char* Data,
                                       std::size_t Size, std::initializer_list<void (*)()> Anchors) {
    (void)Anchors;
    RegisterFormFile(TFormFile{FileName, FormClass, AnsiString(reinterpret_cast<const char*>(Data), Size)});
}

void RegisterFormFile(const TFormFile& File) {
    TFormFiles& files = Files();
    std::lock_guard<std::mutex> lock(files.Lock);
    for (auto& existing : files.Files)
        if (SameText(existing->FormClass, File.FormClass)) {
            *existing = File;
            return;
        }
    files.Files.push_back(std::make_unique<TFormFile>(File));
}

const TFormFile* FindFormFile(const AnsiString& FormClass) {
    TFormFiles& files = Files();
    std::lock_guard<std::mutex> lock(files.Lock);
    for (auto& existing : files.Files)
        if (SameText(existing->FormClass, FormClass)) return existing.get();
    return nullptr;
}

bool InitInheritedComponent(TComponent* Instance) {
    const TFormFile* file = Instance ? FindFormFile(Instance->ClassName()) : nullptr;
    if (!file) return false;
    TReader reader(file->Text, file->FileName);
    reader.ReadRootComponent(Instance);
    return true;
}
