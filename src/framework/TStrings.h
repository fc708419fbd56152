#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvel {

class TStream;

// An abstract, indexed list of strings. Descendants provide storage (a plain
// list, a view on an editor's text, a keyword list); this class adds what can
// be built from the primitive operations: whole text, assignment, searching,
// streams and an update bracket.
class TStrings {
public:
    TStrings() = default;
    TStrings(const TStrings&) = delete;
    TStrings& operator=(const TStrings&) = delete;
    virtual ~TStrings() = default;

    virtual std::string Get(int32_t Index) const = 0;
    virtual int32_t GetCount() const = 0;
    virtual void Put(int32_t Index, const std::string& S);
    virtual void Insert(int32_t Index, const std::string& S) = 0;
    virtual void Delete(int32_t Index) = 0;
    virtual void Clear() = 0;
    // Appends S; returns its index.
    virtual int32_t Add(const std::string& S);
    void AddStrings(const TStrings& Strings);

    // Replaces the content by that of Source.
    virtual void Assign(const TStrings& Source);
    // Index of the first string equal to S without regard to case, or -1.
    virtual int32_t IndexOf(const std::string& S) const;
    bool Equals(const TStrings& Other) const;

    // Every string followed by CR LF.
    virtual std::string GetText() const;
    // Replaces the content by the lines of Text (see ForEachTextLine).
    virtual void SetText(std::string_view Text);

    // Reads the stream from its position to its end as whole text.
    virtual void LoadFromStream(TStream& Stream);
    // Writes the whole text (each string followed by CR LF).
    virtual void SaveToStream(TStream& Stream) const;

    // The update bracket: SetUpdateState(true) when the first one opens and
    // SetUpdateState(false) when the last one closes.
    void BeginUpdate();
    void EndUpdate();
    int32_t GetUpdateCount() const { return UpdateCount; }

protected:
    virtual void SetUpdateState(bool /*Updating*/) {}

private:
    int32_t UpdateCount = 0;
};

} // namespace korvel
