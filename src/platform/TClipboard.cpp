#include "platform/TClipboard.h"

#include "framework/CodePage.h"

#include <mutex>
#include <utility>
#include <vector>

namespace korvel {

namespace {

// Registered names live as long as the process, like the system's own
// registered clipboard formats, whose number range they share.
constexpr TClipboardFormat FirstRegisteredFormat = 0xC000;
constexpr TClipboardFormat LastRegisteredFormat = 0xFFFF;

struct TFormatRegistry {
    std::mutex Lock;
    std::map<std::string, TClipboardFormat> ByName; // key: upper-cased name
    std::vector<std::string> Names;                 // index: format - first
};

TFormatRegistry& Registry() {
    static TFormatRegistry Instance;
    return Instance;
}

std::string_view UpToNul(std::string_view Text) {
    const size_t Nul = Text.find('\0');
    return Nul == std::string_view::npos ? Text : Text.substr(0, Nul);
}

} // namespace

bool TClipboard::Open() {
    if (OpenCount == 0) {
        if (!AcquireClipboard())
            return false;
        Emptied = false;
        Pending.clear();
    }
    ++OpenCount;
    return true;
}

void TClipboard::Close() {
    if (OpenCount == 0)
        return;
    if (--OpenCount > 0)
        return;
    // The session is over whatever the commit does.
    struct TEndSession {
        TClipboard& Clipboard;
        ~TEndSession() {
            Clipboard.Emptied = false;
            Clipboard.Pending.clear();
            Clipboard.ReleaseClipboard();
        }
    } End{*this};
    if (Emptied)
        CommitData(std::move(Pending));
}

bool TClipboard::HasFormat(TClipboardFormat Format) const {
    if (OpenCount > 0 && Emptied)
        return Pending.count(Format) != 0;
    return SystemHasFormat(Format);
}

std::string TClipboard::GetAsText() {
    std::string Text;
    GetData(CF_TEXT, Text);
    return Text;
}

bool TClipboard::SetAsText(std::string_view Text) {
    return SetData(CF_TEXT, Text);
}

bool TClipboard::TakeAsText(std::string&& Text) {
    if (!Open())
        return false;
    if (!Emptied) {
        Pending.clear();
        Emptied = true;
    }
    Text.resize(UpToNul(Text).size());
    Pending[CF_TEXT] = std::move(Text);
    Text.clear(); // a moved-from string is only "valid"; leave it empty for certain
    Close();
    return true;
}

bool TClipboard::SetData(TClipboardFormat Format, std::string_view Bytes) {
    if (!IsKnownFormat(Format))
        return false;
    if (!Open())
        return false;
    if (!Emptied) {
        Pending.clear();
        Emptied = true;
    }
    Pending[Format] = std::string(Format == CF_TEXT ? UpToNul(Bytes) : Bytes);
    Close();
    return true;
}

bool TClipboard::GetData(TClipboardFormat Format, std::string& Bytes) {
    Bytes.clear();
    if (!Open())
        return false;
    bool Found;
    if (Emptied) {
        const auto It = Pending.find(Format);
        Found = It != Pending.end();
        if (Found)
            Bytes = It->second;
    } else {
        Found = SystemGetData(Format, Bytes);
        if (!Found)
            Bytes.clear();
    }
    Close();
    if (Format == CF_TEXT)
        Bytes.resize(UpToNul(Bytes).size());
    return Found;
}

TClipboardFormat TClipboard::RegisterFormat(std::string_view Name) {
    if (Name.empty())
        return 0;
    TFormatRegistry& R = Registry();
    std::lock_guard<std::mutex> Guard(R.Lock);
    std::string Key = AnsiUpperCase(Name);
    const auto It = R.ByName.find(Key);
    if (It != R.ByName.end())
        return It->second;
    if (R.Names.size() > LastRegisteredFormat - FirstRegisteredFormat)
        return 0;
    const TClipboardFormat Format =
        FirstRegisteredFormat + static_cast<TClipboardFormat>(R.Names.size());
    R.Names.emplace_back(Name);
    R.ByName.emplace(std::move(Key), Format);
    return Format;
}

std::string TClipboard::GetFormatName(TClipboardFormat Format) {
    if (Format < FirstRegisteredFormat)
        return {};
    TFormatRegistry& R = Registry();
    std::lock_guard<std::mutex> Guard(R.Lock);
    const size_t Index = Format - FirstRegisteredFormat;
    return Index < R.Names.size() ? R.Names[Index] : std::string();
}

bool TClipboard::IsKnownFormat(TClipboardFormat Format) {
    return Format == CF_TEXT || !GetFormatName(Format).empty();
}

} // namespace korvel
