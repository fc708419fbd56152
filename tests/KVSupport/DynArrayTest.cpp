#include "KVSupport/TDynArray2.h"
#include "framework/Exceptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace korvel;

namespace {

struct TSmall {
    int32_t Value;
    char Pad[12];
};

// 56 bytes at a stride of 80: 409 records per block, not a power of two.
struct TOdd {
    int32_t Value;
    char Rest[51];
};

template <class TRecord>
class TTestArray : public TDynArrayOf<TRecord> {
public:
    TTestArray() = default;
    explicit TTestArray(int32_t Stride) : TDynArrayOf<TRecord>(Stride) {}
    using TDynArrayOf<TRecord>::ForEachFrom;
    const std::byte* Block(int32_t I) { return this->BlockAt(I); }
    using TDynArray2::ReleaseReserveBlocks;
    using TDynArray2::ShrinkKeepingBlocks;

    void AddValues(int32_t N) {
        for (int32_t I = 0; I < N; ++I) {
            TRecord R{};
            R.Value = this->GetCount();
            this->Add(R);
        }
    }
};

} // namespace

TEST(DynArrayTest, GrowsByWholeBlocksWithoutMovingRecords) {
    TTestArray<TSmall> A;
    EXPECT_EQ(A.GetCount(), 0);
    EXPECT_EQ(A.GetCapacity(), 0);
    EXPECT_EQ(A.GetBlockCount(), 0);
    ASSERT_EQ(A.GetPerBlock(), 2048);

    A.AddValues(1); // the first Add allocates exactly one block
    EXPECT_EQ(A.GetBlockCount(), 1);
    EXPECT_EQ(A.GetCapacity(), 2048);

    A.AddValues(2047);
    const TSmall* First = &A[0];
    const TSmall* Last = &A[2047];
    EXPECT_EQ(A.GetBlockCount(), 1);
    A.AddValues(1); // record PerBlock + 1 opens a second block and sits at its start
    EXPECT_EQ(A.GetBlockCount(), 2);
    EXPECT_EQ(A.GetCapacity(), 4096);
    EXPECT_EQ(reinterpret_cast<const std::byte*>(&A[2048]), A.Block(1));
    EXPECT_EQ(&A[0], First);
    EXPECT_EQ(&A[2047], Last);
    for (int32_t I = 0; I < A.GetCount(); ++I)
        ASSERT_EQ(A[I].Value, I);
}

TEST(DynArrayTest, CapacityAndCountRules) {
    TTestArray<TSmall> A;
    A.SetCapacity(0); // N <= 1 still gives one block
    EXPECT_EQ(A.GetBlockCount(), 1);
    EXPECT_EQ(A.GetCapacity(), 2048);
    A.SetCapacity(2049);
    EXPECT_EQ(A.GetBlockCount(), 2);
    A.SetCapacity(2048);
    EXPECT_EQ(A.GetBlockCount(), 1);

    A.AddValues(10);
    A.SetCount(-5); // taken as 0; the blocks stay
    EXPECT_EQ(A.GetCount(), 0);
    EXPECT_EQ(A.GetBlockCount(), 1);
    A.SetCount(5000); // grows the capacity first
    EXPECT_EQ(A.GetCount(), 5000);
    EXPECT_EQ(A.GetBlockCount(), 3);
    A.SetCount(1); // lowering the count never frees blocks
    EXPECT_EQ(A.GetBlockCount(), 3);

    // A capacity below the count drops the records beyond it: the count can
    // never point past the blocks.
    A.SetCount(5000);
    A.SetCapacity(100);
    EXPECT_EQ(A.GetBlockCount(), 1);
    EXPECT_EQ(A.GetCount(), 2048);
    EXPECT_THROW(A.SetCapacity(INT32_MAX), std::bad_alloc);
    EXPECT_EQ(A.GetCount(), 2048);
}

TEST(DynArrayTest, IndexOutsideTheRecordsRaisesRangeError) {
    TTestArray<TSmall> A;
    EXPECT_THROW(A[0], ERangeError);
    A.AddValues(3);
    for (const int32_t Bad : {-1, 3, INT32_MIN, INT32_MAX}) {
        try {
            A.Items(Bad);
            ADD_FAILURE() << "no error for index " << Bad;
        } catch (const ERangeError& E) {
            EXPECT_STREQ(E.what(), "List index out of bounds");
        }
    }
    EXPECT_EQ(A.GetCount(), 3);
    EXPECT_EQ(A[2].Value, 2);
}

TEST(DynArrayTest, StrideThatIsNotAPowerOfTwoAndBlockWalks) {
    TTestArray<TOdd> A(80);
    EXPECT_EQ(A.GetRecordSize(), 56);
    EXPECT_EQ(A.GetStride(), 80);
    ASSERT_EQ(A.GetPerBlock(), 409);
    A.AddValues(1000);
    EXPECT_EQ(A.GetBlockCount(), 3);
    for (int32_t I = 0; I < 1000; ++I) {
        ASSERT_EQ(A[I].Value, I);
        ASSERT_EQ(reinterpret_cast<const std::byte*>(&A[I]), A.Block(I / 409) + (I % 409) * 80);
    }

    std::vector<int32_t> Seen;
    A.ForEachFrom(400, [&Seen](TOdd& R) { Seen.push_back(R.Value); });
    ASSERT_EQ(Seen.size(), 600u);
    for (size_t I = 0; I < Seen.size(); ++I)
        ASSERT_EQ(Seen[I], static_cast<int32_t>(400 + I));
    int32_t Visits = 0;
    A.ForEachFrom(-7, [&Visits](TOdd&) { ++Visits; });
    EXPECT_EQ(Visits, 1000);
    A.ForEachFrom(1000, [&Visits](TOdd&) { ++Visits; });
    EXPECT_EQ(Visits, 1000);
}

// Blocks of a large array lie together: once the array has grown, whole runs
// of consecutive blocks share one allocation. Memory given up while keeping
// it is used again, block for block, when the array grows back.
TEST(DynArrayTest, BlocksLieTogetherAndKeptMemoryIsUsedAgain) {
    TTestArray<TSmall> A; // 16 bytes: 2048 records a block
    A.AddValues(2048 * 200);
    ASSERT_EQ(A.GetBlockCount(), 200);
    for (int32_t B = 129; B < 192; ++B)
        EXPECT_EQ(A.Block(B) - A.Block(B - 1), TDynArray2::BlockBytes) << B;

    std::vector<const std::byte*> Before;
    for (int32_t B = 0; B < 200; ++B)
        Before.push_back(A.Block(B));
    A.ShrinkKeepingBlocks(1);
    EXPECT_EQ(A.GetBlockCount(), 1);
    EXPECT_EQ(A.GetCapacity(), 2048);
    EXPECT_EQ(A.GetCount(), 2048);
    EXPECT_EQ(A.Block(0), Before[0]);
    A.SetCount(0);
    A.AddValues(2048 * 200);
    std::vector<const std::byte*> After;
    for (int32_t B = 0; B < 200; ++B)
        After.push_back(A.Block(B));
    std::sort(Before.begin(), Before.end());
    std::sort(After.begin(), After.end());
    EXPECT_EQ(After, Before);
    for (int32_t I = 0; I < A.GetCount(); I += 997)
        EXPECT_EQ(A[I].Value, I);

    // Released reserve memory is gone; growth allocates again.
    A.ShrinkKeepingBlocks(1);
    A.ReleaseReserveBlocks();
    A.SetCount(0);
    A.AddValues(2048 * 3);
    EXPECT_EQ(A.GetBlockCount(), 3);
    EXPECT_EQ(A[2048 * 3 - 1].Value, 2048 * 3 - 1);
}
