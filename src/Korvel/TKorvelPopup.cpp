// The default context menu and the integrity check of the text store's
// bookkeeping.

#include "KVSupport/TLineRecord.h"
#include "KVSupport/TLinesList.h"
#include "KVSupport/TParagraphsList.h"
#include "Korvel/TKorvel.h"
#include "framework/Exceptions.h"

namespace korvel {

namespace {

// The items of the default menu, by index.
enum TDefaultPopupItem : int32_t {
    piUndo,
    piRedo,
    piSeparator1,
    piCut,
    piCopy,
    piPaste,
    piSeparator2,
    piSelectAll,
    piCount
};

constexpr const char* DefaultPopupCaptions[piCount] = {"&Undo", "&Redo",  "-", "Cu&t",
                                                       "&Copy", "&Paste", "-", "&Select all"};

} // namespace

void TKorvel::CreateDefaultPopup() {
    auto Menu = std::make_unique<TPopupMenu>();
    Menu->OnPopup = [this](TObject* Sender) { PopupHandler(Sender); };
    for (const char* Caption : DefaultPopupCaptions)
        Menu->Add(Caption).OnClick = [this](TObject* Sender) { PopupHandler(Sender); };
    DefaultPopup = std::move(Menu);
}

void TKorvel::PopupHandler(TObject* Sender) {
    if (!DefaultPopup)
        return;
    TPopupMenu& Menu = *DefaultPopup;
    if (Sender == &Menu) {
        const bool Editable = !ReadOnly && !DisplayOnly;
        bool HasText = false;
        try {
            HasText = GetClipboard().HasFormat(CF_TEXT);
        } catch (const Exception&) {
            HasText = false; // no clipboard to paste from
        }
        Menu.GetItem(piUndo).SetEnabled(CanUndo());
        Menu.GetItem(piRedo).SetEnabled(CanRedo());
        Menu.GetItem(piSeparator1).SetEnabled(true);
        Menu.GetItem(piCut).SetEnabled(SelLength != 0 && Editable);
        Menu.GetItem(piCopy).SetEnabled(SelLength != 0);
        Menu.GetItem(piPaste).SetEnabled(HasText && Editable);
        Menu.GetItem(piSeparator2).SetEnabled(true);
        Menu.GetItem(piSelectAll).SetEnabled(true);
        return;
    }
    for (int32_t I = 0; I < Menu.GetCount(); ++I) {
        if (&Menu.GetItem(I) != Sender)
            continue;
        switch (I) {
        case piUndo:
            Undo();
            break;
        case piRedo:
            Redo();
            break;
        case piCut:
            CutToClipboard();
            break;
        case piCopy:
            CopyToClipboard();
            break;
        case piPaste:
            PasteFromClipboard();
            break;
        case piSelectAll:
            SelectAll();
            break;
        default:
            break;
        }
        return;
    }
}

bool TKorvel::ShowDefaultPopup(TPoint ClientPos) {
    if (GetPopupMenu() != nullptr || HasOption(kvoNoDefaultPopup) || !HandleAllocated())
        return false;
    if (!DefaultPopup)
        CreateDefaultPopup();
    GetHost()->Popup(*DefaultPopup, GetHost()->ClientToScreen(ClientPos));
    return true;
}

void TKorvel::CheckIntegrity() {
    TParagraphsList& List = GetParagraphsList();
    TLinesList& Lines = *LinesList;
    const std::string In = std::string(" in ") + VersionText;
    auto Fail = [&](const char* Number) {
        Lines.Bind(nullptr);
        throw Exception(std::string("Error ") + Number + (Number[0] == '1' ? "" : In));
    };
    int32_t LineSum = 0;
    int64_t OffsetSum = 0;
    for (int32_t P = 0; P < List.GetCount(); ++P) {
        if (List.GetFirstLine(P) != LineSum)
            Fail("1");
        if (List.GetStartOffset(P) != OffsetSum)
            Fail("2");
        TParagraph& Par = List[P];
        Lines.Bind(&Par);
        const int32_t Count = Lines.Count();
        int32_t Stop = 0;
        for (int32_t L = 0; L < Count; ++L) {
            const TLineRecord& Line = Lines.Get(L);
            if (Line.Start != Stop)
                Fail("3");
            Stop = Line.Stop;
        }
        if (Par.ParLength() != Stop)
            Fail("4");
        LineSum += Count;
        OffsetSum += Par.ParLength() + 2;
    }
    if (int64_t{GetTextLength()} + 2 != OffsetSum)
        Fail("5");
    if (List.GetLineCount() != LineSum)
        Fail("6");
    Lines.Bind(nullptr);
}

} // namespace korvel
