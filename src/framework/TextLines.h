#pragma once

#include <string_view>

namespace korvel {

// Calls Visit(line) for every line of Text, in order. A line ends at CR LF, at
// a lone CR or at a lone LF (so LF CR is two breaks); a NUL byte ends the text.
// A final break does not start an empty line, so "a\r\n" is one line and ""
// none. Lines are views into Text: no allocation happens here.
template <class TVisit>
void ForEachTextLine(std::string_view Text, TVisit&& Visit) {
    const char* P = Text.data();
    const char* const End = P + Text.size();
    while (P < End && *P != 0) {
        const char* Start = P;
        while (P < End && *P != 0 && *P != '\r' && *P != '\n')
            ++P;
        Visit(std::string_view(Start, static_cast<size_t>(P - Start)));
        if (P < End && *P == '\r')
            ++P;
        if (P < End && *P == '\n')
            ++P;
    }
}

} // namespace korvel
