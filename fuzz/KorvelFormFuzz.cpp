// Feeds malformed form descriptions to the editor control's reader: raw
// property bytes, valid descriptions with bytes changed and cut short, and
// text forms run through the converter first. Reading must succeed or raise
// EReadError (the converter EParserError); either way the control is not
// left loading, and what it holds survives a write and a second read
// unchanged. Half the controls live in a window, so that Loaded re-lays out
// and formats their text.

#include "KVSupport/TKeywordList.h"
#include "KVSupport/TStartStopKeyList.h"
#include "Korvel/TKorvel.h"
#include "Korvel/TKorvelStreaming.h"
#include "framework/Exceptions.h"
#include "framework/ObjectTextToBinary.h"
#include "framework/TMemoryStream.h"
#include "platform/headless/THeadlessHost.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace korvel;

namespace {

void Check(bool Condition) {
    if (!Condition)
        std::abort();
}

std::string Written(TKorvel& Control) {
    TMemoryStream Stream;
    TKorvelStreaming(Control).WriteComponent(Stream);
    return Stream.DataString();
}

void Read(TKorvel& Control, const std::string& Bytes) {
    TMemoryStream Stream(Bytes);
    TKorvelStreaming(Control).ReadComponent(Stream);
}

// A description that holds every kind of value: lists, a picture, fonts,
// pens, sets and enumerations.
const std::string& Valid() {
    static const std::string Bytes = [] {
        TKorvel Control;
        Control.SetName("me_Main");
        Control.SetWordWrap(false);
        Control.SetScrollBars(ssBoth);
        Control.SetOptions(Control.GetOptions() | OptionBit(kvoNoFineScroll));
        Control.SetLineHeight(17);
        Control.SetCaretWidth(0);
        Control.SetNullReplacement('#');
        Control.SetShowNonPrintChars(5);
        Control.GetAltFont().SetStyle(fsBold | fsUnderline);
        Control.GetRightLinePen().SetWidth(3);
        Control.GetBackgroundBmp().SetImage(2, 2, {1, 2, 3, 4});
        Control.GetKeywords().AddKeyword("table", clRed, clNone, -21, 7, 1, 1);
        Control.GetKeywords().AddKeyword("td", clNone, clYellow, 0, 8, 2, 0);
        Control.GetStartStopKeys().AddKey("<!--", "-->", false, clGray, clNone, 0, 3, 2, 0);
        Control.GetStartStopKeys().AddKey("\"", "", true, clBlue, clNone, 0, 4, 0, 1);
        return Written(Control);
    }();
    return Bytes;
}

std::string Input(const uint8_t* Data, size_t Size) {
    return std::string(reinterpret_cast<const char*>(Data), Size);
}

// The valid description changed by (offset, byte) pairs and cut at the
// length the first two bytes give.
std::string Mutated(const uint8_t* Data, size_t Size) {
    std::string Bytes = Valid();
    size_t I = 0;
    size_t Cut = Bytes.size();
    if (Size >= 2) {
        Cut = (static_cast<size_t>(Data[0]) << 8 | Data[1]) % (Bytes.size() + 1);
        I = 2;
    }
    for (; I + 2 < Size; I += 3)
        Bytes[(static_cast<size_t>(Data[I]) << 8 | Data[I + 1]) % Bytes.size()] =
            static_cast<char>(Data[I + 2]);
    Bytes.resize(Cut);
    return Bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size == 0)
        return 0;
    const uint8_t Mode = Data[0];
    ++Data;
    --Size;
    std::string Bytes;
    switch (Mode % 3) {
    case 0:
        Bytes = std::string("TPF0\x07TKorvel\x01P") + Input(Data, Size);
        break;
    case 1:
        Bytes = Mutated(Data, Size);
        break;
    default:
        try {
            Bytes = ObjectTextToBinary(Input(Data, Size));
        } catch (const EParserError&) {
            return 0;
        }
        break;
    }

    THeadlessHost Host({200, 100});
    TKorvel Control;
    {
        TMemoryStream Text("a table td\r\n<!-- x --> \"y\r\nz");
        Control.LoadFromStream(Text);
    }
    if ((Mode & 4) != 0)
        Host.Attach(Control);
    try {
        Read(Control, Bytes);
    } catch (const EReadError&) {
        // Malformed: the control keeps what was read before the fault.
    }
    Check(!Control.IsLoading());
    Check(Control.GetParagraphsList().FindInconsistency().empty());
    Host.PumpMessages();

    const std::string First = Written(Control);
    TKorvel Again;
    Read(Again, First); // what was written must always read back
    Check(Written(Again) == First);
    return 0;
}
