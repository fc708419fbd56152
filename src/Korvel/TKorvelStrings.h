#pragma once

#include "framework/TStrings.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace korvel {

class TKorvel;
class TLinesList;
class TStream;
class TValueReader;
class TValueWriter;

// A string-list view on the text of a control. It owns no text: every
// operation is carried out on the control, and every change is one or more
// replacements of it (so that it can be undone and fires the control's
// events). What both views share lives here.
class TKorvelStrings : public TStrings {
public:
    explicit TKorvelStrings(TKorvel& Control) : Control(Control) {}

    TKorvel& GetControl() const { return Control; }

    // From another view: the other control's text through a stream; from any
    // other string list: its lines, each followed by CR LF. Either way the
    // control loads the text (the undo history is emptied, the caret goes
    // to 0).
    void Assign(const TStrings& Source) override;
    // The whole text (breaks as CR LF).
    std::string GetText() const override;
    // Replaces the whole text by Text: one replacement.
    void SetText(std::string_view Text) override;
    void Clear() override;
    // The control's load: the whole text is replaced by the stream's.
    void LoadFromStream(TStream& Stream) override;
    // The bytes of the whole text, breaks as CR LF whatever LineBreak says.
    void SaveToStream(TStream& Stream) const override;

    // The stored form of the text in a form description (the "Strings"
    // property): whether there is anything to store, and the list of
    // paragraph strings written and read back.
    bool HasStoredData() const;
    void WriteStrings(TValueWriter& Writer) const;
    void ReadStrings(TValueReader& Reader);

protected:
    // The update bracket maps onto the control's.
    void SetUpdateState(bool Updating) override;

    TKorvel& Control;
};

// One string per paragraph (format codes included). Count leaves out an
// empty last paragraph, so that a text built by Add of n strings counts n.
class TKorvelParaStrings : public TKorvelStrings {
public:
    using TKorvelStrings::TKorvelStrings;

    std::string Get(int32_t Index) const override;
    int32_t GetCount() const override;
    void Put(int32_t Index, const std::string& S) override;
    // Appends a paragraph holding S (an empty last paragraph takes S and a
    // new empty one follows). Returns S's index.
    int32_t Add(const std::string& S) override;
    void Insert(int32_t Index, const std::string& S) override;
    // Deletes the paragraph and the break after it (the last paragraph: its
    // characters only). An index outside the paragraphs is ignored.
    void Delete(int32_t Index) override;
};

// One string per display line. Count leaves out an empty last line.
class TKorvelLinesStrings : public TKorvelStrings {
public:
    explicit TKorvelLinesStrings(TKorvel& Control);
    ~TKorvelLinesStrings() override;

    std::string Get(int32_t Index) const override;
    int32_t GetCount() const override;
    // Replaces the characters shown on line Index (not its break); ignored
    // outside the lines.
    void Put(int32_t Index, const std::string& S) override;
    // Appends a paragraph, as Paragraphs.Add, and puts the caret at the end
    // of the text. Returns the index of S's last display line.
    int32_t Add(const std::string& S) override;
    // Inserts S and a break before line Index, or S after a break at the end
    // when Index is the line count; ignored beyond.
    void Insert(int32_t Index, const std::string& S) override;
    // Deletes the characters of line Index and, when it ends its paragraph,
    // the break after it; ignored outside the lines counted.
    void Delete(int32_t Index) override;

private:
    // Inside an update bracket: the caret to the end of the text, nothing
    // selected, and the next change a new undo step, as SetSelStart leaves
    // them, without placing the caret again where it already is.
    void PutCaretAtEnd();

    // The lines of the last paragraph, read by GetCount.
    mutable std::unique_ptr<TLinesList> LastParLines;
    // The text Add inserts, kept so that a run of Adds allocates nothing for it.
    std::string Appended;
};

} // namespace korvel
