#pragma once

#include <cstdint>

namespace korvel {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// A byte stream with a position. Read and Write move as many bytes as they can
// and report the count; ReadBuffer and WriteBuffer insist on the full count and
// raise EReadError / EWriteError otherwise.
class TStream {
public:
    virtual ~TStream() = default;

    virtual int64_t Read(void* Buffer, int64_t Count) = 0;
    virtual int64_t Write(const void* Buffer, int64_t Count) = 0;
    virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;

    int64_t GetPosition() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(int64_t Pos) { Seek(Pos, TSeekOrigin::soBeginning); }
    virtual int64_t GetSize();
    virtual void SetSize(int64_t NewSize) = 0;

    void ReadBuffer(void* Buffer, int64_t Count);
    void WriteBuffer(const void* Buffer, int64_t Count);

    // Copies Count bytes (all from the current position to the end when Count
    // is 0) from Source into this stream; returns the number copied.
    int64_t CopyFrom(TStream& Source, int64_t Count);
};

} // namespace korvel
