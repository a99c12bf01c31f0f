#pragma once
// What every part of a GIF picture shares: the codec's exception, the warning
// event through which soft problems reach the picture, the file versions, the
// base class of the items a file is made of (header, frames, extensions,
// trailer) and the owning list that holds frames and extensions.
//
// Hard errors raise GIFException; soft ones go through ReportWarning to the
// picture's OnWarning and reading goes on.

#include <functional>
#include <memory>
#include <vector>

#include "platform/gfx/Graphic.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

namespace GIFImage {

VEMLOR_DECLARE_EXCEPTION(GIFException, EInvalidGraphic);

enum TGIFSeverity { gsInfo, gsWarning, gsError };
using TGIFWarning = std::function<void(TObject* Sender, TGIFSeverity Severity, const AnsiString& Message)>;

enum TGIFVersion { gvUnknown = 0, gv87a = 1, gv89a = 2 };
enum TGIFCompression { gcLZW = 0, gcRLE = 1 };

class TGIFImage;
class TGIFSubImage;
class TGIFHeader;
class TGIFExtension;

class TGIFItem : public TPersistent {
public:
    explicit TGIFItem(TGIFImage* AImage) : FImage(AImage) {}
    ~TGIFItem() override = default;

    // The lowest file version that can hold the item.
    virtual TGIFVersion FormatVersion() const { return gv87a; }
    // Forwards to the picture's warning event; dropped without a picture.
    virtual void ReportWarning(TGIFSeverity Severity, const AnsiString& Message);
    virtual void SaveToStream(TStream* Stream) = 0;
    virtual void LoadFromStream(TStream* Stream) = 0;
    virtual void SaveFile(const AnsiString& FileName);
    virtual void LoadFile(const AnsiString& FileName);

    TGIFImage* Image() const { return FImage; }

protected:
    TGIFImage* FImage;
};

// An ordered list that owns its items.
template <class T>
class TGIFList {
public:
    int Count() const { return int(FItems.size()); }
    T* Items(int Index) const { return FItems.at(std::size_t(Index)).get(); }
    T* operator[](int Index) const { return Items(Index); }
    T* Add(std::unique_ptr<T> Item) {
        FItems.push_back(std::move(Item));
        return FItems.back().get();
    }
    void Insert(int Index, std::unique_ptr<T> Item) { FItems.insert(FItems.begin() + Index, std::move(Item)); }
    int IndexOf(const T* Item) const {
        for (std::size_t i = 0; i < FItems.size(); ++i)
            if (FItems[i].get() == Item) return int(i);
        return -1;
    }
    // Frees the item.
    void Remove(const T* Item) {
        const int i = IndexOf(Item);
        if (i >= 0) Delete(i);
    }
    void Delete(int Index) {
        std::unique_ptr<T> gone = std::move(FItems.at(std::size_t(Index)));
        FItems.erase(FItems.begin() + Index);
    }
    void Clear() {
        while (!FItems.empty()) Delete(Count() - 1);
    }
    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

private:
    std::vector<std::unique_ptr<T>> FItems;
};

using TGIFImageList = TGIFList<TGIFSubImage>;
using TGIFExtensionList = TGIFList<TGIFExtension>;

}  // namespace GIFImage
