#pragma once

#include "framework/Exceptions.h"
#include "framework/TMemoryStream.h"
#include "framework/TValueReader.h"
#include "framework/TValueWriter.h"

#include <functional>
#include <string>

// Helpers of the tests of form values.
namespace korvel::test {

// What Write stores.
inline std::string Written(const std::function<void(TValueWriter&)>& Write) {
    TMemoryStream Stream;
    TValueWriter Writer(Stream);
    Write(Writer);
    return Stream.DataString();
}

// The message of the EReadError that Read raises on Bytes ("" when none).
inline std::string ReadError(const std::string& Bytes,
                             const std::function<void(TValueReader&)>& Read) {
    TMemoryStream Stream(Bytes);
    TValueReader Reader(Stream);
    try {
        Read(Reader);
    } catch (const EReadError& Error) {
        return Error.what();
    }
    return "";
}

} // namespace korvel::test
