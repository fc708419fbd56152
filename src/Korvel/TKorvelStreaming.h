#pragma once

#include <functional>
#include <string>

namespace korvel {

class TKorvel;
class TKorvelHighlighter;
class TStream;
class TValueReader;
class TValueWriter;

// How component references of a form (the Highlighter property) are named
// and found. Without it, or when a function is missing, a control with a
// highlighter writes no Highlighter and reading one raises EReadError.
struct TFormReferences {
    std::function<std::string(const TKorvelHighlighter*)> NameOf;
    // Null when no component has the name.
    std::function<TKorvelHighlighter*(const std::string&)> Find;
};

// Writes a control's published properties to a form description and reads
// them back, in the value encoding of form descriptions: each property is
// its name as a short string (nested values as "Font.Name") followed by its
// value; enumerations and sets are stored as identifiers, colours and
// cursors by name where they have one. A property whose value equals its
// stored-value default is not written. The keyword list is stored as
// "Keywords.Strings", the start/stop list as "StartStopKeys.Keys", the
// background picture as "BackgroundBmp.Data".
//
// Reading brackets the property writes with the control's loading state, so
// that setters only store and nothing is recorded for undo, and Loaded runs
// when reading ends. An unknown property, a value of the wrong kind or a
// truncated description raises EReadError naming the property and its
// offset; the control keeps what was read before and stays usable.
class TKorvelStreaming {
public:
    explicit TKorvelStreaming(TKorvel& Control, const TFormReferences* References = nullptr)
        : Control(Control), References(References) {}

    // A whole component: the signature "TPF0", the class name "TKorvel", the
    // control's name, its properties and an empty list of children.
    void WriteComponent(TStream& Stream) const;
    // Reads what WriteComponent writes (the control takes the stored name).
    void ReadComponent(TStream& Stream);

    // The properties alone, ended by an end-of-list tag.
    void WriteProperties(TValueWriter& Writer) const;
    // Reads properties up to and including the end-of-list tag.
    void ReadProperties(TValueReader& Reader);

    TKorvel& GetControl() const { return Control; }
    const TFormReferences* GetReferences() const { return References; }

private:
    void ReadProperty(TValueReader& Reader, const std::string& Name);

    TKorvel& Control;
    const TFormReferences* References;
};

} // namespace korvel
