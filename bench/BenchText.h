#pragma once

#include <cstdint>
#include <random>
#include <string>

// Generated texts of the benchmark programs.
namespace bench {

// Count paragraphs joined by CR LF, paragraph I holding LengthOf(I, Random)
// letters in English frequency order with about one blank in seven; with
// Tabs, about one byte in 97 is a tab. The same arguments give the same text.
template <class TLengthOf>
std::string GenerateParagraphs(int32_t Count, TLengthOf LengthOf, bool Tabs = false,
                               size_t Reserve = 0) {
    std::mt19937 Random(20261208);
    const char Letters[] = "etaoinshrdlucmfwypvbgkjqxz";
    std::string Text;
    Text.reserve(Reserve);
    for (int32_t I = 0; I < Count; ++I) {
        if (I > 0)
            Text += "\r\n";
        const size_t N = LengthOf(I, Random);
        for (size_t K = 0; K < N; ++K) {
            const uint32_t R = Random();
            Text += R % 7 == 0 ? ' ' : Tabs && R % 97 == 0 ? '\t' : Letters[R % 26];
        }
    }
    return Text;
}

// Words picked at random from Words (Seed fixes the picks), each followed by
// a blank, until the text holds at least Bytes bytes: one long paragraph
// without a break.
template <size_t N>
std::string GenerateWordRun(size_t Bytes, const char* const (&Words)[N], uint32_t Seed) {
    std::mt19937 Random(Seed);
    std::string Text;
    Text.reserve(Bytes + 16);
    while (Text.size() < Bytes) {
        Text += Words[Random() % N];
        Text += ' ';
    }
    return Text;
}

} // namespace bench
