#include "framework/TFileStream.h"

#include "framework/Exceptions.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace korvel {

namespace {

const char* OpenModeOf(TFileStream::TMode Mode) {
    switch (Mode) {
    case TFileStream::fmOpenRead:
        return "rb";
    case TFileStream::fmOpenWrite:
    case TFileStream::fmOpenReadWrite:
        return "r+b";
    case TFileStream::fmCreate:
        return "w+b";
    }
    return "rb";
}

} // namespace

TFileStream::TFileStream(const std::string& FileName, TMode Mode) : FileName(FileName) {
    Handle = std::fopen(FileName.c_str(), OpenModeOf(Mode));
    // A directory opens for reading here, but no byte of it can be read and
    // its size is meaningless: refuse it as the file it is not.
    struct stat Status;
    if (Handle != nullptr && fstat(fileno(Handle), &Status) == 0 && S_ISDIR(Status.st_mode)) {
        std::fclose(Handle);
        Handle = nullptr;
        errno = EISDIR;
    }
    if (Handle == nullptr) {
        const char* Verb = Mode == fmCreate ? "Cannot create file \"" : "Cannot open file \"";
        throw EFOpenError(Verb + FileName + "\". " + std::strerror(errno));
    }
}

void TFileStream::TurnTo(TLastOp Op) {
    if (LastOp != loNone && LastOp != Op)
        std::fseek(Handle, 0, SEEK_CUR);
    LastOp = Op;
}

TFileStream::~TFileStream() {
    if (Handle != nullptr)
        std::fclose(Handle);
}

int64_t TFileStream::Read(void* Buffer, int64_t Count) {
    if (Count <= 0)
        return 0;
    TurnTo(loRead);
    const size_t N = std::fread(Buffer, 1, static_cast<size_t>(Count), Handle);
    if (N < static_cast<size_t>(Count) && std::ferror(Handle)) {
        const int Error = errno;
        std::clearerr(Handle);
        throw EReadError("Cannot read file \"" + FileName + "\". " + std::strerror(Error));
    }
    return static_cast<int64_t>(N);
}

int64_t TFileStream::Write(const void* Buffer, int64_t Count) {
    if (Count <= 0)
        return 0;
    TurnTo(loWrite);
    const size_t N = std::fwrite(Buffer, 1, static_cast<size_t>(Count), Handle);
    if (N < static_cast<size_t>(Count))
        std::clearerr(Handle); // the short count reports it; later reads stay clean
    return static_cast<int64_t>(N);
}

int64_t TFileStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    const int Whence = Origin == TSeekOrigin::soBeginning ? SEEK_SET
                       : Origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                          : SEEK_END;
    LastOp = loNone;
    if (std::fseek(Handle, static_cast<long>(Offset), Whence) != 0)
        return -1;
    return std::ftell(Handle);
}

void TFileStream::SetSize(int64_t NewSize) {
    std::fflush(Handle);
    LastOp = loNone;
    if (ftruncate(fileno(Handle), static_cast<off_t>(NewSize)) != 0)
        throw EWriteError("Cannot resize file \"" + FileName + "\". " + std::strerror(errno));
}

} // namespace korvel
