#pragma once

#include "framework/TStream.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace korvel {

// A stream over a file of the file system.
class TFileStream : public TStream {
public:
    enum TMode { fmOpenRead, fmOpenWrite, fmOpenReadWrite, fmCreate };

    // Opens (or, with fmCreate, creates or truncates) FileName. Raises
    // EFOpenError naming the file and the system's reason when that fails,
    // also when FileName is a directory.
    TFileStream(const std::string& FileName, TMode Mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    void SetSize(int64_t NewSize) override;

    const std::string& GetFileName() const { return FileName; }

private:
    // The C library needs a flush or a seek between writing and reading on
    // one file; these remember the last direction to put one in when it turns.
    enum TLastOp { loNone, loRead, loWrite };
    void TurnTo(TLastOp Op);

    std::string FileName;
    std::FILE* Handle = nullptr;
    TLastOp LastOp = loNone;
};

} // namespace korvel
