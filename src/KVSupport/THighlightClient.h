#pragma once

namespace korvel {

class TKorvelHighlighter;

// What a highlighter knows of the controls that use it (its clients): it
// only tells them when it goes away, so that none keeps a dangling pointer.
class THighlightClient {
public:
    // Highlighter is being destroyed: forget it (as setting the control's
    // Highlighter to none does).
    virtual void HighlighterDestroyed(TKorvelHighlighter* Highlighter) = 0;

protected:
    ~THighlightClient() = default;
};

} // namespace korvel
