#include "KVSupport/TUpperCaseCache.h"

#include <cstring>

namespace korvel {

const char* TUpperCaseCache::Get(const TParagraph& Par, int32_t ParIndex, int32_t Offset,
                                 int32_t Count, TkvUpperCase CaseRule) {
    const int32_t ParLength = Par.ParLength();
    const int32_t End = Offset + Count;
    const bool Same = ParIndex == Index && Par.Text == Text && ParLength == Length &&
                      CaseRule == Rule && Offset <= Hi && End >= Lo;
    if (!Same) {
        Index = ParIndex;
        Text = Par.Text;
        Length = ParLength;
        Rule = CaseRule;
        if (Buffer.size() < static_cast<size_t>(ParLength) + 1)
            Buffer.resize(static_cast<size_t>(ParLength) + 1);
        Lo = Hi = Offset;
    }
    if (Offset < Lo) {
        Fill(Offset, Lo);
        Lo = Offset;
    }
    if (End > Hi) {
        Fill(Hi, End);
        Hi = End;
    }
    return Buffer.data() + Offset;
}

void TUpperCaseCache::Fill(int32_t From, int32_t To) {
    if (To <= From)
        return;
    char* Target = Buffer.data() + From;
    const auto Count = static_cast<size_t>(To - From);
    std::memcpy(Target, Text + From, Count);
    if (Rule == kvuAscii || (Rule == kvuUserDefined && UserUpperCase == nullptr)) {
        // Branch-free, so that the compiler can do many bytes at once.
        for (size_t I = 0; I < Count; ++I) {
            const auto Ch = static_cast<uint8_t>(Target[I]);
            const bool Lower = static_cast<uint8_t>(Ch - 'a') <= 'z' - 'a';
            Target[I] = static_cast<char>(Ch ^ (static_cast<uint8_t>(Lower) << 5));
        }
        return;
    }
    // The routines work on zero-terminated text: terminate the piece for the
    // call and put back the byte that the terminator covered.
    const char Saved = Target[Count];
    Target[Count] = '\0';
    UpperCaseBuffer(UpperCaseRoutine(Rule), Target, Count);
    Target[Count] = Saved;
}

void TUpperCaseCache::ParagraphsReplaced(int32_t First, int32_t Last, int32_t Delta) {
    if (Index > Last)
        Index += Delta;
    else if (Index >= First)
        Index = -1;
}

} // namespace korvel
