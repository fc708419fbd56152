#pragma once

#include "Quolt_fm_Main/TagCleaner.h"

#include <QWidget>

#include <memory>
#include <string>

class QGroupBox;
class QLineEdit;
class QPushButton;

namespace Ui {
class TForm1;
}

namespace korvel {
class KorvelWidget;
class TKorvel;
} // namespace korvel

namespace quolt {

// The main window: three numbered steps above the editor pane me_Main, a
// Korvel control that holds the HTML. Step 1 empties the pane and pastes the
// clipboard into it, step 2 cleans the pane's text by the tag names of one of
// the two edit boxes, step 3 selects and copies the result.
//
// The layout comes from TForm1.ui; the pane's own properties are read from
// its stored form description when the window is created.
class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(QWidget* Parent = nullptr);
    ~TForm1() override;

    // The controls, by their names.
    QWidget* Panel1() const;
    QGroupBox* gbx_Start() const;
    QGroupBox* gbx_CleanTags() const;
    QGroupBox* gbx_Finish() const;
    QPushButton* bt_Clear() const;
    QPushButton* bt_Paste() const;
    QPushButton* bt_RemoveTagAttribs() const;
    QPushButton* bt_RemoveTags() const;
    QPushButton* bt_SelectAllCopy() const;
    QLineEdit* ed_TagsToClear() const;
    QLineEdit* ed_TagsToRemove() const;
    korvel::KorvelWidget* me_Main() const;
    korvel::TKorvel& Pane() const;

    // The handlers.
    void FormActivate();
    void bt_ClearClick();
    void bt_PasteClick();
    void bt_RemoveTagAttribsClick();
    void bt_RemoveTagsClick();
    void bt_SelectAllCopyClick();

    // The caption of the window's message boxes.
    static constexpr const char* Title = "Quolt";
    // What a clean with a blank tag list shows.
    static constexpr const char* NoTagsMessage = "No tags specified to be cleaned";

protected:
    bool event(QEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    // The pane's stored properties, read through the control's own reader.
    void LoadPaneProperties();
    // Cleans the pane's text by the tag names of ListEdit.
    void CleanCommand(TTagMode Mode, const QLineEdit& ListEdit);
    // Button's click runs Handler.
    void Connect(QPushButton* Button, void (TForm1::*Handler)());
    // Keeps Edit's distance to its parent's right edge as it is now.
    void AnchorRight(QLineEdit* Edit);

    std::unique_ptr<Ui::TForm1> Ui;
};

} // namespace quolt
