#pragma once

#include "platform/TClipboard.h"

#include <cstdint>
#include <utility>

namespace korvel {

// A clipboard without a system behind it: the "system" contents are plain
// data that tests read, and set to stand for what another program copied.
// Opening can be made to fail, as when another program holds the clipboard.
class THeadlessClipboard final : public TClipboard {
public:
    // What the system clipboard holds now (sessions not yet closed excluded).
    const TClipboardData& GetContents() const { return Contents; }
    // Stands for another program replacing the clipboard's contents.
    void SetContents(TClipboardData Value) { Contents = std::move(Value); }

    // While set, every Open fails.
    void SetOpenFails(bool Value) { OpenFails = Value; }
    // How often the contents were replaced by a session, and how often the
    // system clipboard was taken.
    int32_t GetCommitCount() const { return CommitCount; }
    int32_t GetAcquireCount() const { return AcquireCount; }

protected:
    bool AcquireClipboard() override;
    void ReleaseClipboard() override {}
    void CommitData(TClipboardData&& Data) override;
    bool SystemHasFormat(TClipboardFormat Format) const override;
    bool SystemGetData(TClipboardFormat Format, std::string& Bytes) const override;

private:
    TClipboardData Contents;
    bool OpenFails = false;
    int32_t CommitCount = 0;
    int32_t AcquireCount = 0;
};

} // namespace korvel
