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
    // EFOpenError naming the file and the system's reason when that fails.
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
    std::string FileName;
    std::FILE* Handle = nullptr;
};

} // namespace korvel
