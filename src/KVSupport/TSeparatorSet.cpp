#include "KVSupport/TSeparatorSet.h"

namespace korvel {

std::string TSeparatorSet::GetSeparators() const {
    std::string Text;
    for (int Ch = 0; Ch < 256; ++Ch)
        if (IsSeparator(static_cast<uint8_t>(Ch)))
            Text += static_cast<char>(Ch);
    return Text;
}

void TSeparatorSet::SetSeparators(std::string_view Text) {
    for (auto& Word : Bits)
        Word = 0;
    for (const char Ch : Text)
        Include(static_cast<uint8_t>(Ch));
    Include('\n');
    Include('\r');
}

} // namespace korvel
