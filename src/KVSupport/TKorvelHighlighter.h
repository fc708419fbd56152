#pragma once

#include "KVSupport/THighlightClient.h"
#include "framework/TObject.h"

#include <cstdint>
#include <vector>

namespace korvel {

class TKorvelNavigator;

// The extension point of automatic highlighting: a non-visual object that
// controls share through their Highlighter property. Descendants override
// the hooks to add highlight states of their own beside (or instead of) the
// keyword and start/stop lists; the base class adds nothing.
//
// The hooks get navigators on the control's text (From and To delimit the
// span being worked on) and the current sizes of the control's keyword list
// and start/stop list, so that a highlighter can tell its own stack entries
// from those of the lists: a keyword entry at or beyond KeywordCount, or a
// range entry (index - 32768) at or beyond StartStopCount, is its own.
//
// Clients: the controls whose Highlighter is this object, seen only through
// THighlightClient. A control joins through its setter and leaves when it is
// destroyed or given another highlighter; destroying the highlighter tells
// every client first (HighlighterDestroyed), which sets its Highlighter to
// none.
class TKorvelHighlighter : public TObject {
public:
    TKorvelHighlighter() = default;
    ~TKorvelHighlighter() override;

    TKorvelHighlighter(const TKorvelHighlighter&) = delete;
    TKorvelHighlighter& operator=(const TKorvelHighlighter&) = delete;

    // At the start of every keyword pass, with its span, whatever
    // ApplyKeyWords and the keyword list say.
    virtual void KeywordHook(TKorvelNavigator& From, TKorvelNavigator& To, int32_t KeywordCount);
    // When no start key of the list matched in the span and fewer than 15
    // highlights are open (also with ApplyStartStopKeys off or an empty
    // list). Answering true means a state was opened and To moved to where
    // the scan goes on (inside To's paragraph).
    virtual bool StartKeyHook(TKorvelNavigator& From, TKorvelNavigator& To, int32_t StartStopCount);
    // When the innermost highlight open at From is not a range of the list.
    // The answer is whether anything changed; To may move as for a stop key.
    virtual bool StopKeyHook(TKorvelNavigator& From, TKorvelNavigator& To, int32_t StartStopCount);
    // Never called by the control.
    virtual void SpareHook();

    const std::vector<THighlightClient*>& GetClients() const { return Clients; }

    // Kept by the control's Highlighter setter; a control is listed once.
    void AddClient(THighlightClient* Client);
    void RemoveClient(THighlightClient* Client);

private:
    std::vector<THighlightClient*> Clients;
};

} // namespace korvel
