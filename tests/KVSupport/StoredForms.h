#pragma once

#include "framework/Exceptions.h"
#include "framework/TMemoryStream.h"
#include "framework/TValueReader.h"
#include "framework/TValueWriter.h"

#include <cstddef>
#include <string>

// Helpers for tests of lists that store themselves as form values.
namespace korvel::test {

// The bytes of a literal, zero bytes included.
template <size_t N>
std::string Raw(const char (&Text)[N]) {
    return std::string(Text, N - 1);
}

// What Write stores for List.
template <class TList>
std::string StoredForm(const TList& List, void (TList::*Write)(TValueWriter&) const) {
    TMemoryStream Stream;
    TValueWriter Writer(Stream);
    (List.*Write)(Writer);
    return Stream.DataString();
}

// Reads Bytes into List with Read; the error message, or "" on success.
template <class TList>
std::string LoadForm(TList& List, void (TList::*Read)(TValueReader&), const std::string& Bytes) {
    TMemoryStream Stream(Bytes);
    TValueReader Reader(Stream);
    try {
        (List.*Read)(Reader);
    } catch (const Exception& Error) {
        return Error.what();
    }
    return "";
}

} // namespace korvel::test
