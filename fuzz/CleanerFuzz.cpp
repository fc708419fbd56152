// Cleans arbitrary bytes by an arbitrary tag list in both modes and checks what
// every result must satisfy: no blank line, no line break or NUL inside a line,
// no more text than the source; and removing tags a second time from the
// result of a removal changes nothing.

#include "Quolt_fm_Main/TagCleaner.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Check(bool Condition) {
    if (!Condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    // The input is "list" 0xFF "source"; without 0xFF the list is "td, font".
    const std::string_view Input(reinterpret_cast<const char*>(Data), Size);
    const size_t Split = Input.find('\xFF');
    const std::string List(Split == std::string_view::npos ? "td, font" : Input.substr(0, Split));
    const std::string Source(Split == std::string_view::npos ? Input : Input.substr(Split + 1));

    for (const quolt::TTagMode Mode : {quolt::tmStripAttribs, quolt::tmRemoveTags}) {
        const auto Lines = quolt::CleanTags(Mode, List, Source);
        Check(Lines.has_value() == !quolt::IsBlank(List));
        if (!Lines)
            continue;
        size_t Total = 0;
        for (const std::string& Line : *Lines) {
            Check(!quolt::IsBlank(Line));
            Check(Line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
            Total += Line.size();
        }
        Check(Total <= Source.size());
    }

    // Text outside tags never holds a "<", so removing tags cannot make new
    // ones: a second removal over the joined result finds nothing to do. (A
    // NUL ends the result even inside a kept tag, leaving its "<" open, so
    // sources with a NUL are left out.)
    const auto Once = quolt::CleanTags(quolt::tmRemoveTags, List, Source);
    if (Once && Source.find('\0') == std::string::npos) {
        std::string Joined;
        for (const std::string& Line : *Once)
            Joined += Line + "\r\n";
        Check(quolt::CleanTags(quolt::tmRemoveTags, List, Joined) == Once);
    }
    return 0;
}
