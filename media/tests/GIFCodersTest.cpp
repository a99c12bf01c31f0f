#include "media/GIFCoders.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace GIFImage;

namespace {

AnsiString FailureOf(const std::function<void()>& Call) {
    try {
        Call();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "no exception";
}

std::vector<Byte> Bytes(TMemoryStream& s) {
    const Byte* p = static_cast<const Byte*>(s.Memory());
    return std::vector<Byte>(p, p + s.Size());
}

}  // namespace

TEST(TGIFStreamTest, ABareStreamRefusesEveryOperationAndLeavesTheTargetAlone) {
    TMemoryStream target;
    TGIFStream stream(&target);
    Byte b = 7;
    const AnsiString invalid = "Invalid stream operation";
    EXPECT_EQ(FailureOf([&] { stream.Read(&b, 1); }), invalid);
    EXPECT_EQ(FailureOf([&] { stream.Write(&b, 1); }), invalid);
    EXPECT_EQ(FailureOf([&] { stream.Seek(0, soFromBeginning); }), invalid);
    EXPECT_EQ(FailureOf([&] { stream.Position(); }), invalid);
    EXPECT_EQ(target.Size(), 0);
}

TEST(TGIFStreamTest, TheWriterCutsWhatIsWrittenIntoSubBlocksOf255Bytes) {
    TMemoryStream target;
    TGIFWriter writer(&target);
    std::vector<Byte> data(300);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = Byte(i);
    writer.WriteBuffer(data.data(), 200);
    EXPECT_EQ(target.Size(), 0);  // nothing until a sub-block is full
    writer.WriteBuffer(data.data() + 200, 100);
    ASSERT_EQ(target.Size(), 256);
    writer.Flush();
    writer.Flush();  // nothing pending: no empty sub-block
    const std::vector<Byte> out = Bytes(target);
    ASSERT_EQ(out.size(), 256u + 46u);
    EXPECT_EQ(out[0], 255);
    EXPECT_EQ(out[1], 0);
    EXPECT_EQ(out[255], 254);
    EXPECT_EQ(out[256], 45);
    EXPECT_EQ(out[257], 255);  // byte 255 of the data opens the second block
    EXPECT_EQ(out.back(), Byte(299));
    // It still only goes forward.
    Byte b;
    EXPECT_EQ(FailureOf([&] { writer.Read(&b, 1); }), "Invalid stream operation");
    EXPECT_EQ(FailureOf([&] { writer.Seek(0, soFromEnd); }), "Invalid stream operation");
}
