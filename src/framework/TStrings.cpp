#include "framework/TStrings.h"

#include "framework/CodePage.h"
#include "framework/TStream.h"
#include "framework/TextLines.h"

#include <vector>

namespace korvel {

void TStrings::Put(int32_t Index, const std::string& S) {
    Delete(Index);
    Insert(Index, S);
}

int32_t TStrings::Add(const std::string& S) {
    const int32_t Index = GetCount();
    Insert(Index, S);
    return Index;
}

void TStrings::AddStrings(const TStrings& Strings) {
    BeginUpdate();
    try {
        for (int32_t i = 0; i < Strings.GetCount(); ++i)
            Add(Strings.Get(i));
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStrings::Assign(const TStrings& Source) {
    if (&Source == this)
        return;
    BeginUpdate();
    try {
        Clear();
        AddStrings(Source);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

int32_t TStrings::IndexOf(const std::string& S) const {
    for (int32_t i = 0; i < GetCount(); ++i)
        if (AnsiSameText(Get(i), S))
            return i;
    return -1;
}

bool TStrings::Equals(const TStrings& Other) const {
    if (GetCount() != Other.GetCount())
        return false;
    for (int32_t i = 0; i < GetCount(); ++i)
        if (Get(i) != Other.Get(i))
            return false;
    return true;
}

std::string TStrings::GetText() const {
    std::string Text;
    for (int32_t i = 0; i < GetCount(); ++i) {
        Text += Get(i);
        Text += "\r\n";
    }
    return Text;
}

void TStrings::SetText(std::string_view Text) {
    BeginUpdate();
    try {
        Clear();
        ForEachTextLine(Text, [this](std::string_view Line) { Add(std::string(Line)); });
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStrings::LoadFromStream(TStream& Stream) {
    const int64_t Size = Stream.GetSize() - Stream.GetPosition();
    std::string Bytes(static_cast<size_t>(Size > 0 ? Size : 0), '\0');
    Stream.ReadBuffer(Bytes.data(), static_cast<int64_t>(Bytes.size()));
    SetText(Bytes);
}

void TStrings::SaveToStream(TStream& Stream) const {
    const std::string Text = GetText();
    Stream.WriteBuffer(Text.data(), static_cast<int64_t>(Text.size()));
}

void TStrings::BeginUpdate() {
    if (UpdateCount++ == 0)
        SetUpdateState(true);
}

void TStrings::EndUpdate() {
    if (UpdateCount <= 0)
        return;
    if (--UpdateCount == 0)
        SetUpdateState(false);
}

} // namespace korvel
