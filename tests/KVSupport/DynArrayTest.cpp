#include "KVSupport/TDynArray2.h"
#include "RandomTestSupport.h"
#include "framework/Exceptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
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
    using TDynArray2::DeleteSlots;
    using TDynArray2::InsertSlots;
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

namespace {

// The record array against a plain vector: slots inserted and deleted at
// random places (so the gap travels through the blocks, and blocks go into
// and out of the gap), appends, count and capacity changes.
template <class TRecord>
::testing::AssertionResult GapAgreesWithAVector(TTestArray<TRecord>& A, std::mt19937_64& Random,
                                                int Rounds) {
    std::vector<int32_t> Model;
    int32_t Next = 0;
    const auto Below = [&Random](int64_t N) { return static_cast<int32_t>(Random() % N); };
    const auto Fill = [&](int32_t From, int32_t N) {
        for (int32_t I = From; I < From + N; ++I)
            A[I].Value = Model[static_cast<size_t>(I)] = Next++;
    };
    const int32_t Per = A.GetPerBlock();
    for (int Round = 0; Round < Rounds; ++Round) {
        const auto Count = static_cast<int32_t>(Model.size());
        const int32_t Size = Below(6) == 0 ? Below(3 * Per) : Below(40);
        switch (Below(8)) {
        case 0:
        case 1:
        case 2: {
            const int32_t At = Below(Count + 1);
            A.InsertSlots(At, Size);
            Model.insert(Model.begin() + At, static_cast<size_t>(Size), 0);
            Fill(At, Size);
            break;
        }
        case 3:
        case 4: {
            const int32_t At = Below(Count + 1);
            const int32_t N = std::min(Size, Count - At);
            A.DeleteSlots(At, N);
            Model.erase(Model.begin() + At, Model.begin() + At + N);
            break;
        }
        case 5: {
            TRecord R{};
            R.Value = Next;
            Model.push_back(Next++);
            A.Add(R);
            break;
        }
        case 6: {
            const int32_t N = Below(Count + Per + 1);
            A.SetCount(N);
            Model.resize(static_cast<size_t>(N));
            if (N > Count)
                Fill(Count, N - Count);
            break;
        }
        default: {
            // Down to the count (or a little above): blocks leave the gap;
            // sometimes more than the count: records are lost.
            const int32_t N = Below(10) == 0 ? Below(Count + 1) : Count + Below(Per);
            if (Below(2) == 0) {
                A.SetCapacity(N);
            } else {
                A.ShrinkKeepingBlocks(N);
                A.ReleaseReserveBlocks();
            }
            Model.resize(std::min(Model.size(), static_cast<size_t>(A.GetCapacity())));
            break;
        }
        }
        if (A.GetCount() != static_cast<int32_t>(Model.size()) ||
            A.GetCapacity() != A.GetBlockCount() * Per ||
            A.GetCount() + A.GetGapLength() > A.GetCapacity() || A.GetGapStart() > A.GetCount())
            return ::testing::AssertionFailure()
                   << "round " << Round << ": count " << A.GetCount() << ", capacity "
                   << A.GetCapacity() << ", gap at " << A.GetGapStart();
        for (int32_t I = 0; I < A.GetCount(); ++I)
            if (A[I].Value != Model[static_cast<size_t>(I)])
                return ::testing::AssertionFailure() << "round " << Round << ": record " << I;
        const int32_t From = Below(A.GetCount() + 2) - 1;
        int32_t I = std::max(From, 0);
        bool Walked = true;
        A.ForEachFrom(From,
                      [&](TRecord& R) { Walked &= R.Value == Model[static_cast<size_t>(I++)]; });
        if (!Walked || I != A.GetCount())
            return ::testing::AssertionFailure() << "round " << Round << ": walk from " << From;
    }
    return ::testing::AssertionSuccess();
}

} // namespace

// QUOLT_SHIFT_SEED and QUOLT_SHIFT_ROUNDS override the seed and the number
// of operations on each array.
TEST(DynArrayTest, InsertionsAndDeletionsAnywhereAgreeWithAVector) {
    const uint64_t Seed = korvel::test::EnvOr("QUOLT_SHIFT_SEED", 20261209);
    const auto Rounds = static_cast<int>(korvel::test::EnvOr("QUOLT_SHIFT_ROUNDS", 1500));
    std::mt19937_64 Random(Seed);
    TTestArray<TSmall> Small; // 2048 records a block
    EXPECT_TRUE(GapAgreesWithAVector(Small, Random, Rounds)) << "seed " << Seed;
    TTestArray<TOdd> Odd(80); // 409 a block: slots found by division
    EXPECT_TRUE(GapAgreesWithAVector(Odd, Random, Rounds)) << "seed " << Seed;
}

// Inserting in the middle moves only the records between the gap and the
// place; appending, and blocks put into the gap, leave every record where it
// was.
TEST(DynArrayTest, TheGapFollowsInsertionsWhileAppendingMovesNothing) {
    TTestArray<TSmall> A;
    A.AddValues(5000);
    EXPECT_EQ(A.GetGapStart(), 5000); // appending keeps the gap at the end
    const TSmall* Early = &A[100];
    A.InsertSlots(4000, 10);
    EXPECT_EQ(A.GetGapStart(), 4010);
    EXPECT_EQ(&A[100], Early); // before the gap: not moved
    EXPECT_EQ(A[4010].Value, 4000);
    const TSmall* Before = &A[3999];
    const TSmall* After = &A[4010];
    A.InsertSlots(4010, 3 * 2048); // more than the gap holds: blocks go in
    EXPECT_EQ(&A[3999], Before);
    EXPECT_EQ(&A[4010 + 3 * 2048], After);
    A.AddValues(3000); // into the tail and new blocks at the end
    EXPECT_EQ(A.GetGapStart(), 4010 + 3 * 2048);
    EXPECT_EQ(&A[3999], Before);
    EXPECT_EQ(&A[4010 + 3 * 2048], After);

    A.DeleteSlots(4000, 10 + 3 * 2048);
    A.SetCapacity(A.GetCount()); // blocks leave the tail and the gap
    EXPECT_EQ(A.GetBlockCount(), 4);
    ASSERT_EQ(A.GetCount(), 8000);
    for (int32_t I = 0; I < 8000; ++I)
        ASSERT_EQ(A[I].Value, I < 5000 ? I : I + 10 + 3 * 2048) << I;
}
