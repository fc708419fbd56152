#include "framework/Exceptions.h"
#include "framework/TFileStream.h"
#include "framework/TMemoryStream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

using namespace korvel;
namespace fs = std::filesystem;

namespace {

std::string ReadAll(TStream& Stream, int64_t Count) {
    std::string Bytes(static_cast<size_t>(Count), '\0');
    Bytes.resize(static_cast<size_t>(Stream.Read(Bytes.data(), Count)));
    return Bytes;
}

template <class TError>
std::string MessageOf(auto Operation) {
    try {
        Operation();
    } catch (const TError& E) {
        return E.what();
    }
    return "(no error)";
}

class FileStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        Dir = fs::temp_directory_path() / ("korvel-stream-test-" + std::to_string(getpid()));
        fs::create_directories(Dir);
    }
    void TearDown() override { fs::remove_all(Dir); }
    std::string Path(const std::string& Name) const { return (Dir / Name).string(); }

    fs::path Dir;
};

} // namespace

TEST(MemoryStreamTest, ReadWriteSeekAndSize) {
    TMemoryStream Stream;
    Stream.WriteBuffer("hello world", 11);
    EXPECT_EQ(Stream.GetSize(), 11);
    EXPECT_EQ(Stream.GetPosition(), 11);
    EXPECT_EQ(Stream.Seek(-5, TSeekOrigin::soEnd), 6);
    EXPECT_EQ(ReadAll(Stream, 3), "wor");
    EXPECT_EQ(Stream.Seek(-9, TSeekOrigin::soCurrent), 0);
    Stream.WriteBuffer("J", 1);
    EXPECT_EQ(ReadAll(Stream, 100), "ello world"); // a short read at the end
    EXPECT_EQ(ReadAll(Stream, 1), "");
    EXPECT_EQ(Stream.DataString(), "Jello world");

    // Writing beyond the end fills the gap with zeros.
    Stream.SetPosition(13);
    Stream.WriteBuffer("!", 1);
    EXPECT_EQ(Stream.DataString(), std::string("Jello world\0\0!", 14));

    // Shrinking pulls the position back to the new end.
    Stream.SetSize(5);
    EXPECT_EQ(Stream.GetPosition(), 5);
    EXPECT_EQ(Stream.DataString(), "Jello");

    char Buffer[8];
    Stream.SetPosition(2);
    EXPECT_EQ(MessageOf<EReadError>([&] { Stream.ReadBuffer(Buffer, 4); }), "Stream read error");

    // A position before the start reads and writes nothing.
    Stream.Seek(-3, TSeekOrigin::soBeginning);
    EXPECT_EQ(Stream.Read(Buffer, 4), 0);
    EXPECT_EQ(Stream.Write("x", 1), 0);
    EXPECT_EQ(MessageOf<EWriteError>([&] { Stream.WriteBuffer("x", 1); }), "Stream write error");
    EXPECT_EQ(Stream.DataString(), "Jello");

    Stream.Clear();
    EXPECT_EQ(Stream.GetSize(), 0);
    EXPECT_EQ(Stream.GetPosition(), 0);
}

TEST(MemoryStreamTest, CopyingBetweenStreams) {
    TMemoryStream Source(std::string(200000, 'a') + "tail");
    Source.SetPosition(7);
    TMemoryStream All;
    EXPECT_EQ(All.CopyFrom(Source, 0), 200004); // 0: all, from the start
    EXPECT_EQ(All.DataString(), Source.DataString());

    Source.SetPosition(200001);
    TMemoryStream Part;
    EXPECT_EQ(Part.CopyFrom(Source, 3), 3); // from the current position
    EXPECT_EQ(Part.DataString(), "ail");
    EXPECT_THROW(Part.CopyFrom(Source, 5), EReadError); // only "l" is left

    TMemoryStream Loaded;
    Loaded.LoadFromStream(Source);
    EXPECT_EQ(Loaded.GetPosition(), 0);
    EXPECT_EQ(Loaded.DataString(), Source.DataString());
    TMemoryStream Saved("x");
    Saved.SetPosition(1);
    Loaded.SaveToStream(Saved);
    EXPECT_EQ(Saved.GetSize(), 200005);
}

TEST_F(FileStreamTest, ReadWriteSeekAndSize) {
    {
        TFileStream Stream(Path("f.bin"), TFileStream::fmCreate);
        Stream.WriteBuffer("0123456789", 10);
        EXPECT_EQ(Stream.GetSize(), 10);
        EXPECT_EQ(Stream.Seek(2, TSeekOrigin::soBeginning), 2);
        EXPECT_EQ(ReadAll(Stream, 3), "234"); // a read right after a write
        Stream.WriteBuffer("x", 1);           // and a write right after a read
        EXPECT_EQ(Stream.GetPosition(), 6);
        EXPECT_EQ(ReadAll(Stream, 2), "67");
        Stream.SetSize(8);
        EXPECT_EQ(Stream.GetSize(), 8);
        EXPECT_EQ(Stream.Seek(-1, TSeekOrigin::soEnd), 7);
        EXPECT_EQ(ReadAll(Stream, 5), "7");
    }
    TFileStream Reader(Path("f.bin"), TFileStream::fmOpenRead);
    EXPECT_EQ(Reader.GetFileName(), Path("f.bin"));
    EXPECT_EQ(ReadAll(Reader, 100), "01234x67");
    EXPECT_EQ(ReadAll(Reader, 1), "");
    // A read-only stream refuses writes, and the refusal does not taint later reads.
    EXPECT_THROW(Reader.WriteBuffer("y", 1), EWriteError);
    Reader.SetPosition(6);
    EXPECT_EQ(ReadAll(Reader, 10), "67");

    TFileStream Writer(Path("f.bin"), TFileStream::fmOpenWrite);
    Writer.Seek(0, TSeekOrigin::soEnd);
    Writer.WriteBuffer("89", 2);
    EXPECT_EQ(Writer.GetSize(), 10);
}

TEST_F(FileStreamTest, OpenErrorsNameTheFileAndTheReason) {
    const std::string Missing = Path("missing.txt");
    EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream S(Missing, TFileStream::fmOpenRead); }),
              "Cannot open file \"" + Missing + "\". No such file or directory");
    const std::string NoDir = Path("no/such/dir.txt");
    EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream S(NoDir, TFileStream::fmCreate); }),
              "Cannot create file \"" + NoDir + "\". No such file or directory");
    // A directory is no file: it cannot be opened as one, in any mode.
    const std::string Folder = Dir.string();
    EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream S(Folder, TFileStream::fmOpenRead); }),
              "Cannot open file \"" + Folder + "\". Is a directory");
    EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream S(Folder, TFileStream::fmCreate); }),
              "Cannot create file \"" + Folder + "\". Is a directory");
}
