#include "framework/TLargeBuffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

using namespace korvel;

// Small and large blocks alike keep their bytes through shrinking and
// moving; a block mapped for huge pages starts on a huge-page boundary.
TEST(LargeBufferTest, BlocksKeepTheirBytesAndMappedOnesAreAlignedForHugePages) {
    for (const size_t Size : {size_t{100}, 3 * TLargeBuffer::HugePageBytes + 12345}) {
        TLargeBuffer Buffer(Size);
        ASSERT_EQ(Buffer.GetSize(), Size);
        if (Buffer.IsMapped()) {
            EXPECT_EQ(reinterpret_cast<uintptr_t>(Buffer.Data()) % TLargeBuffer::HugePageBytes, 0u);
        }
        for (size_t I = 0; I < Size; ++I)
            Buffer.Chars()[I] = static_cast<char>(I % 251);

        const size_t Kept = Size / 3 + 1;
        Buffer.Shrink(Kept);
        EXPECT_EQ(Buffer.GetSize(), Kept);
        TLargeBuffer Moved(std::move(Buffer));
        EXPECT_EQ(Buffer.Data(), nullptr);
        ASSERT_EQ(Moved.GetSize(), Kept);
        bool Same = true;
        for (size_t I = 0; I < Kept; ++I)
            Same &= Moved.Chars()[I] == static_cast<char>(I % 251);
        EXPECT_TRUE(Same) << Size;

        TLargeBuffer Other(10);
        Other = std::move(Moved); // the block Other held is given back
        EXPECT_EQ(Other.GetSize(), Kept);
        EXPECT_EQ(Other.Chars()[Kept - 1], static_cast<char>((Kept - 1) % 251));
    }
}
