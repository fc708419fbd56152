#pragma once

#include <stdexcept>
#include <string>

namespace korvel {

// The general exception of the system. Every error the engine raises is an
// Exception (or one of the kinds below) carrying a fixed, user-visible message.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& Message) : std::runtime_error(Message) {}
};

// An index outside a record array, a string list or a line view.
class ERangeError : public Exception {
public:
    explicit ERangeError(const std::string& Message = "List index out of bounds")
        : Exception(Message) {}
};

// A string list operation that its settings forbid (duplicates, sorting rules).
class EStringListError : public Exception {
public:
    using Exception::Exception;
};

// A stream could not deliver or accept the requested bytes.
class EStreamError : public Exception {
public:
    using Exception::Exception;
};

class EReadError : public EStreamError {
public:
    explicit EReadError(const std::string& Message = "Stream read error") : EStreamError(Message) {}
};

class EWriteError : public EStreamError {
public:
    explicit EWriteError(const std::string& Message = "Stream write error")
        : EStreamError(Message) {}
};

// The text form of a form description could not be parsed.
class EParserError : public Exception {
public:
    using Exception::Exception;
};

// A file stream could not open or create its file.
class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

// The fixed messages of the engine.
inline constexpr const char* SListIndexError = "List index out of bounds";
inline constexpr const char* STextTooLong = "Text too long";
inline constexpr const char* SInternalKorvelError = "Internal Korvel error";
inline constexpr const char* SNotAKorvel = "Internal error: component is not a TKorvel";
inline constexpr const char* SUndoSetTooHigh = "Undo set too high";

} // namespace korvel
