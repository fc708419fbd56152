#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace korvel {

// A clipboard format: CF_TEXT or a number that RegisterFormat handed out.
using TClipboardFormat = uint32_t;

// The system's 8-bit text format: text in the code page, ending at a NUL.
inline constexpr TClipboardFormat CF_TEXT = 1;

// What one clipboard session puts on the system clipboard: the bytes of each
// format it set.
using TClipboardData = std::map<TClipboardFormat, std::string>;

// The control's only view of the system clipboard. Everything the control
// copies, cuts, pastes or asks about goes through this port; it never talks
// to a toolkit's clipboard itself.
//
// Sessions. Open and Close nest: Open counts up, Close counts down. Inside a
// session the first set-operation empties the clipboard and later ones add
// formats beside it; what the session set goes to the system clipboard as
// one piece at the outermost Close, so other programs never see half of it.
// Reads inside a session that has set something see what it set (as they
// would on a system whose clipboard is emptied at once). A set-operation or
// read outside a session opens and closes a session of its own, so two sets
// outside a session leave only the second on the clipboard.
//
// An implementation supplies the system side through the protected
// operations below; the session bookkeeping is the same for all.
class TClipboard {
public:
    TClipboard() = default;
    TClipboard(const TClipboard&) = delete;
    TClipboard& operator=(const TClipboard&) = delete;
    // A session still open is discarded: nothing it set is committed.
    virtual ~TClipboard() = default;

    // Opens a session. Returns false, leaving the count unchanged, when the
    // system clipboard cannot be had (another program holds it); a caller
    // whose Open failed must not Close.
    bool Open();
    // Closes a session; the outermost Close commits what the session set.
    // A Close without an open session does nothing.
    void Close();
    // The number of open sessions.
    int32_t GetOpenCount() const { return OpenCount; }

    // Whether the clipboard holds Format. Needs no session.
    bool HasFormat(TClipboardFormat Format) const;
    // The text on the clipboard up to its first NUL; empty when there is no
    // text or the clipboard cannot be opened.
    std::string GetAsText();
    // Puts Text (up to its first NUL) on the clipboard in the text format.
    // False when the clipboard cannot be opened; nothing changed then.
    bool SetAsText(std::string_view Text);
    // As SetAsText, but takes Text over: a large copied text reaches the
    // system side without being copied again (it is cut at its first NUL in
    // place). Text is left empty when it was taken, unchanged when the
    // clipboard could not be opened.
    bool TakeAsText(std::string&& Text);
    // Puts Bytes on the clipboard in Format (CF_TEXT: as SetAsText). False
    // for a format that is neither CF_TEXT nor registered, or when the
    // clipboard cannot be opened; nothing changed then.
    bool SetData(TClipboardFormat Format, std::string_view Bytes);
    // The bytes of Format (CF_TEXT: up to the first NUL); false (and Bytes
    // empty) when the clipboard does not hold it or cannot be opened.
    bool GetData(TClipboardFormat Format, std::string& Bytes);

    // The number of the format called Name: non-zero, and the same for the
    // same name (compared without regard to letter case) as long as the
    // process lives, whichever clipboard asks. 0 for an empty name, or when
    // the 16384 numbers (0xC000 to 0xFFFF) are used up.
    static TClipboardFormat RegisterFormat(std::string_view Name);
    // The name a format was registered under (as first spelt); empty for
    // CF_TEXT and for numbers that were never handed out.
    static std::string GetFormatName(TClipboardFormat Format);

protected:
    // Takes the system clipboard for a session; false when it cannot be had.
    virtual bool AcquireClipboard() = 0;
    // Gives it back at the end of a session (after CommitData, if any).
    virtual void ReleaseClipboard() = 0;
    // Replaces the whole system clipboard with Data. Data is the session's
    // own and discarded afterwards, so an implementation may move from it.
    virtual void CommitData(TClipboardData&& Data) = 0;
    virtual bool SystemHasFormat(TClipboardFormat Format) const = 0;
    // The bytes the system clipboard holds in Format; false when it holds none.
    virtual bool SystemGetData(TClipboardFormat Format, std::string& Bytes) const = 0;

private:
    static bool IsKnownFormat(TClipboardFormat Format);

    int32_t OpenCount = 0;
    // Set by the first set-operation of a session: Pending then replaces the
    // clipboard's contents.
    bool Emptied = false;
    TClipboardData Pending;
};

} // namespace korvel
