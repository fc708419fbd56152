#pragma once

#include "KVSupport/HighlightRun.h"
#include "KVSupport/THugePageAllocator.h"
#include "KVSupport/TLineRecord.h"
#include "KVSupport/TLineSamples.h"
#include "framework/TColor.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace korvel {

// The extension of a paragraph record, created on demand (TParagraph::
// AttachExtra) when the compact slot cannot hold what the paragraph needs: a
// length of 65535 or more, more than one display line, a line 0 that is not
// the plain whole line, highlight runs, a start run or a start code state.
// It lives on the heap, is owned by its paragraph (freed with it by the
// paragraph list) and is never detached while the paragraph exists.
class ParExtraInfo {
public:
    // The extension of a compact paragraph of Length bytes whose one line is
    // Width pixels wide: colours none, Line0 the whole line, default start
    // run, no further lines and no runs.
    ParExtraInfo(int32_t Length, int32_t Width)
        : Length(Length), Line0(TLineRecord::Whole(Length, Width)) {}
    // Gives up the start run.
    ~ParExtraInfo() { ReleaseSharedRun(StartRun); }

    ParExtraInfo(const ParExtraInfo&) = delete;
    ParExtraInfo& operator=(const ParExtraInfo&) = delete;

    TColor TextColor = -1; // paragraph text colour; -1 (or clNone) = none
    TColor BackColor = -1; // paragraph background; -1 (or clNone) = none
    int32_t Length;        // the character count
    TLineRecord Line0;     // the first display line; its StartCodeState is the
                           // paragraph's start code state
    // The highlight state at the paragraph's start: DefaultRun() or a shared
    // run (HighlightRun.h). Change it through TParagraph::SetStartRun.
    const HighlightRun* StartRun = &DefaultRun();
    // Display lines 1 .. n-1: over a million for a paragraph of many
    // megabytes, so they grow on huge pages.
    std::vector<TLineRecord, THugePageAllocator<TLineRecord>> MoreLines;
    TDynInfoArray Runs; // highlight runs, ascending by Offset
    // Where measuring may resume along a long display line; none while no
    // line has been measured that long.
    std::unique_ptr<TLineSamples> Samples;

    // The text or the highlight runs change from Offset on: samples there
    // and after it no longer hold.
    void DropSamplesFrom(int32_t Offset) {
        if (Samples != nullptr)
            Samples->DropFrom(Offset);
    }
};

} // namespace korvel
