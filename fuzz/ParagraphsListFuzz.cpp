// Loads arbitrary bytes into a paragraph list, saves them back and checks the
// round-trip rules and the list's invariants against a plain model of the
// text format. The first byte chooses the options; the rest is the text.

#include "KVSupport/FormatCodes.h"
#include "KVSupport/TParagraphsList.h"
#include "framework/Exceptions.h"
#include "framework/TMemoryStream.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

using namespace korvel;

namespace {

using Strings = std::vector<std::string>;

void Check(bool Condition, const char* What) {
    if (!Condition) {
        std::fprintf(stderr, "round-trip check failed: %s\n", What);
        std::abort();
    }
}

void CheckWhole(const TParagraphsList& List) {
    const std::string Problem = List.FindInconsistency();
    if (!Problem.empty()) {
        std::fprintf(stderr, "inconsistent list: %s\n", Problem.c_str());
        std::abort();
    }
    Check(List.GetCount() >= 1, "a loaded list has a paragraph");
    Check(List.GetLineCount() == List.GetCount(), "one display line per loaded paragraph");
    Check(List.GetFormatCounters().GetFormatLast() == List.GetCount() - 1,
          "FormatLast is the last paragraph");
    Check(List.GetPendingChange().GetLastPara() == List.GetCount() - 1,
          "the change covers the text");
}

struct TOptions {
    bool StaticFormat;
    bool DiscardTrailing;
    bool CompactCodes;
    uint8_t NullReplacement;
    TKorvelLineBreak SaveBreak;
};

// The text model written plainly: a 0 byte ends the text (or is replaced), a
// break byte followed by the other break byte is one break, any other break
// byte is a break of its own.
struct TModel {
    Strings Paragraphs;
    int Detected = -1;
};

TModel Split(std::string_view Input, const TOptions& Options) {
    std::string Bytes;
    for (char Ch : Input) {
        if (Ch == 0) {
            if (Options.NullReplacement == 0)
                break;
            Ch = static_cast<char>(Options.NullReplacement);
        }
        Bytes += Ch;
    }
    TModel Model;
    std::string Current;
    for (size_t I = 0; I < Bytes.size(); ++I) {
        const char Ch = Bytes[I];
        if (Ch != '\r' && Ch != '\n') {
            Current += Ch;
            continue;
        }
        Model.Paragraphs.push_back(Current);
        Current.clear();
        const char Other = Ch == '\r' ? '\n' : '\r';
        if (I + 1 < Bytes.size() && Bytes[I + 1] == Other) {
            Model.Detected = Ch == '\r' ? kbCRLF : kbLFCR;
            ++I;
        } else {
            Model.Detected = Ch == '\r' ? kbCR : kbLF;
        }
    }
    Model.Paragraphs.push_back(Current);
    if (Options.DiscardTrailing)
        for (std::string& Par : Model.Paragraphs)
            Par.erase(Par.find_last_not_of(" \t") + 1);
    return Model;
}

Strings Texts(const TParagraphsList& List) {
    Strings Result;
    for (int32_t I = 0; I < List.GetCount(); ++I)
        Result.emplace_back(List[I].View());
    return Result;
}

// What a reader sees: every non-code byte with the code state it is shown in.
std::string Appearance(std::string_view Text, uint8_t State) {
    std::string Seen;
    for (const char Ch : Text) {
        if (IsFormatCode(static_cast<uint8_t>(Ch))) {
            State = ToggleCode(State, static_cast<uint8_t>(Ch));
        } else {
            Seen += static_cast<char>(State);
            Seen += Ch;
        }
    }
    return Seen + static_cast<char>(State);
}

bool HasCancellingPair(std::string_view Text) {
    for (size_t I = 0; I < Text.size(); ++I)
        for (size_t J = I + 1; J < Text.size() && IsFormatCode(static_cast<uint8_t>(Text[J])); ++J)
            if (IsFormatCode(static_cast<uint8_t>(Text[I])) && Text[I] == Text[J])
                return true;
    return false;
}

int Load(TParagraphsList& List, TStream& Stream, const TOptions& Options) {
    List.ClearText();
    List.SetStaticFormat(Options.StaticFormat);
    TKorvelLineBreak Detected = static_cast<TKorvelLineBreak>(7); // untouched without a break
    List.LoadText(Stream, Options.NullReplacement, 0, nullptr, Detected, Options.DiscardTrailing);
    return Detected == 7 ? -1 : Detected;
}

// A stream that fails once Limit bytes have been delivered; Delivered counts
// the bytes of the reads that succeeded.
class TBrokenStream : public TMemoryStream {
public:
    TBrokenStream(std::string_view Bytes, int64_t Limit) : TMemoryStream(Bytes), Limit(Limit) {}
    int64_t Read(void* Buffer, int64_t Count) override {
        if (Delivered + Count > Limit)
            return 0;
        const int64_t Got = TMemoryStream::Read(Buffer, Count);
        Delivered += Got;
        return Got;
    }
    int64_t Delivered = 0;

private:
    int64_t Limit;
};

void CheckSaveAndReload(const TParagraphsList& List, const TModel& Model, const TOptions& Options) {
    TMemoryStream Saved;
    List.SaveText(Saved, Options.CompactCodes, 0, nullptr, Options.SaveBreak,
                  Options.DiscardTrailing);
    const std::string Bytes = Saved.DataString();

    TParagraphsList Again;
    TMemoryStream Stream(Bytes);
    const int Detected = Load(Again, Stream, Options);
    CheckWhole(Again);
    const Strings Reloaded = Texts(Again);
    Check(Reloaded.size() == Model.Paragraphs.size(), "saving keeps the paragraph count");
    Check(Detected == (Reloaded.size() > 1 ? Options.SaveBreak : -1),
          "the saved break is detected");
    const bool Compacting = Options.CompactCodes && Options.StaticFormat;
    std::string Joined;
    for (size_t I = 0; I < Reloaded.size(); ++I) {
        const std::string& Was = Model.Paragraphs[I];
        const std::string& Now = Reloaded[I];
        if (!Compacting) {
            Check(Now == Was, "a saved paragraph loads back unchanged");
        } else {
            const uint8_t State = List[static_cast<int32_t>(I)].StartCodeState();
            Check(!HasCancellingPair(Now), "no cancelling code pair is written");
            if (!Options.DiscardTrailing)
                Check(Appearance(Now, State) == Appearance(Was, State),
                      "compacting keeps every character's formatting");
            Check(StripCodes(Now) == StripCodes(Was) ||
                      (Options.DiscardTrailing && StripCodes(Was).starts_with(StripCodes(Now))),
                  "compacting removes codes only");
        }
        Joined += (I > 0 ? std::string(LineBreakBytes(Options.SaveBreak)) : "") + Now;
    }
    Check(Joined == Bytes, "the stream holds the paragraphs joined by the break");
}

void CheckBrokenStream(std::string_view Text, const TOptions& Options, int64_t Limit) {
    TBrokenStream Stream(Text, Limit);
    TParagraphsList List;
    try {
        Load(List, Stream, Options);
        return; // the limit was never reached
    } catch (const EReadError&) {
    }
    CheckWhole(List);
    const TModel Prefix = Split(Text.substr(0, static_cast<size_t>(Stream.Delivered)), Options);
    Check(Texts(List) == Prefix.Paragraphs, "a failed load keeps what was read");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const uint8_t Flags = Size > 0 ? Data[0] : 0;
    const uint8_t Replacement = Size > 1 ? Data[1] : 0;
    const std::string_view Text(reinterpret_cast<const char*>(Data) + std::min<size_t>(Size, 1),
                                Size > 0 ? Size - 1 : 0);
    const TOptions Options{
        .StaticFormat = (Flags & 1) != 0,
        .DiscardTrailing = (Flags & 2) != 0,
        .CompactCodes = (Flags & 4) != 0,
        .NullReplacement = (Flags & 8) != 0 ? Replacement : uint8_t{0},
        .SaveBreak = static_cast<TKorvelLineBreak>((Flags >> 4) & 3),
    };

    const TModel Model = Split(Text, Options);
    TParagraphsList List;
    TMemoryStream Stream(Text);
    const int Detected = Load(List, Stream, Options);
    CheckWhole(List);
    Check(Texts(List) == Model.Paragraphs, "loading splits the text as the model does");
    Check(Detected == Model.Detected, "the detected break is the last one");
    CheckSaveAndReload(List, Model, Options);

    if ((Flags & 0x40) != 0 && Text.size() > 2)
        CheckBrokenStream(Text, Options, Replacement * static_cast<int64_t>(Text.size()) / 256);
    return 0;
}
