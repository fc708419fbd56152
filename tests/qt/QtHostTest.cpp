#include "QtWidgetTestSupport.h"

#include "KVSupport/TFormatCounters.h"
#include "KVSupport/TParagraphsList.h"
#include "framework/TPopupMenu.h"
#include "platform/qt/TQtOffscreenCanvas.h"

#include <QAbstractButton>
#include <QAction>
#include <QClipboard>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QScrollBar>
#include <QWheelEvent>

#include <cmath>

#include <gtest/gtest.h>

using namespace korvel;
using namespace korvel::qttest;

TEST(QtHostTest, ScrollBarsFollowTheControlAndSendItsRequests) {
    TShownPane P;
    TQtHost& Host = P.Pane->Host();
    QScrollBar* V = P.Pane->verticalScrollBar();
    ASSERT_TRUE(Host.GetCreateParams().Style & WS_VSCROLL);
    Host.Caret().SetFlashTime(0);

    // A text the window shows whole needs no bar.
    P.Pane->Korvel().SetAllText("one line");
    QApplication::processEvents();
    EXPECT_FALSE(V->isVisible());

    // A longer one: the bar shows the control's range, page and position,
    // the thumb's highest position being where the page's last unit meets
    // the range's end.
    std::string Text;
    for (int I = 0; I < 300; ++I)
        Text += "line " + std::to_string(I) + "\r\n";
    P.Pane->Korvel().SetAllText(Text);
    QApplication::processEvents();
    const auto Synced = [&] {
        const TScrollInfo Info = Host.GetScrollInfo(SB_VERT);
        EXPECT_TRUE(V->isVisible());
        EXPECT_EQ(V->minimum(), Info.Min);
        EXPECT_EQ(V->maximum(), std::max(Info.Min, Info.Max - Info.Page + 1));
        EXPECT_EQ(V->pageStep(), Info.Page);
        EXPECT_EQ(V->value(), Info.Pos);
        return Info;
    };
    const TScrollInfo Start = Synced();
    EXPECT_GT(Start.Max, Start.Page);

    // User actions become requests; the thumb moves where the control puts it.
    P.Messages.clear();
    V->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_GT(Synced().Pos, Start.Pos);
    EXPECT_GT(P.Pane->Korvel().GetTopPixel(), 0);
    V->triggerAction(QAbstractSlider::SliderPageStepSub);
    V->triggerAction(QAbstractSlider::SliderToMaximum);
    V->triggerAction(QAbstractSlider::SliderToMinimum);
    Synced();
    V->setSliderPosition(40); // what dragging the thumb does
    const auto Requests = P.Only({WM_VSCROLL, WM_HSCROLL});
    const int32_t Codes[] = {SB_LINEDOWN,  SB_ENDSCROLL, SB_PAGEUP,    SB_ENDSCROLL, SB_BOTTOM,
                             SB_ENDSCROLL, SB_TOP,       SB_ENDSCROLL, SB_THUMBTRACK};
    ASSERT_EQ(Requests.size(), std::size(Codes));
    for (size_t I = 0; I < Requests.size(); ++I) {
        EXPECT_EQ(Requests[I].Msg, WM_VSCROLL);
        EXPECT_EQ(Requests[I].ScrollCode, Codes[I]) << I;
    }
    EXPECT_EQ(Requests.back().ScrollPos, 40);
    EXPECT_EQ(P.Pane->Korvel().GetTopPixel(), 40 * P.Pane->Korvel().GetVertUnit());

    // Dragging: the thumb follows the pointer whatever the control sets,
    // and its release reports the final position and settles where the
    // control put the view.
    P.Messages.clear();
    V->setSliderDown(true);
    V->setSliderPosition(60);
    Host.SetScrollPos(SB_VERT, 10, true);
    EXPECT_EQ(V->sliderPosition(), 60);
    V->setSliderDown(false);
    const auto Drag = P.Only({WM_VSCROLL});
    ASSERT_EQ(Drag.size(), 3u);
    EXPECT_EQ(Drag[0].ScrollCode, SB_THUMBTRACK);
    EXPECT_EQ(Drag[1].ScrollCode, SB_THUMBPOSITION);
    EXPECT_EQ(Drag[1].ScrollPos, 60);
    EXPECT_EQ(Drag[2].ScrollCode, SB_ENDSCROLL);
    Synced();

    // A wheel notch scrolls the desktop's lines per notch; the bar follows.
    V->setSliderPosition(0);
    ASSERT_EQ(P.Pane->Korvel().GetTopPixel(), 0);
    QWheelEvent Notch(QPointF(20, 20), P.Pane->viewport()->mapToGlobal(QPointF(20, 20)), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(P.Pane->viewport(), &Notch);
    EXPECT_EQ(P.Pane->Korvel().GetTopPixel(),
              QApplication::wheelScrollLines() * P.Pane->Korvel().GetLineHeightPx());
    EXPECT_GT(Synced().Pos, 0);

    // The horizontal bar likewise.
    P.Messages.clear();
    P.Pane->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    ASSERT_FALSE(P.Only({WM_HSCROLL}).empty());
    EXPECT_EQ(P.Only({WM_HSCROLL})[0].ScrollCode, SB_PAGERIGHT);

    // Without the style there is no bar, whatever the range.
    P.Pane->Korvel().SetScrollBars(ssNone);
    QApplication::processEvents();
    EXPECT_FALSE(Host.GetCreateParams().Style & (WS_VSCROLL | WS_HSCROLL));
    Host.SetScrollRange(SB_VERT, 0, 999, 100, true);
    QApplication::processEvents();
    EXPECT_FALSE(V->isVisible());
}

// Paging through a long text moves the thumb by a fraction of a pixel: the
// bar repaints only when what it shows changes, and a skipped repaint would
// have drawn exactly the pixels already there.
TEST(QtHostTest, ScrollBarRepaintsOnlyWhenItsThumbMoves) {
    TShownPane P;
    P.Pane->Host().Caret().SetFlashTime(0);
    std::string Text;
    for (int I = 0; I < 60000; ++I)
        Text += "row " + std::to_string(I) + "\r\n";
    P.Pane->Korvel().SetAllText(Text);
    QTest::keyClick(P.Pane, Qt::Key_Home, Qt::ControlModifier);
    QApplication::processEvents();
    QScrollBar* V = P.Pane->verticalScrollBar();
    ASSERT_TRUE(V->isVisible());
    ASSERT_EQ(V->value(), 0);

    struct TPaints : QObject {
        int Count = 0;
        bool eventFilter(QObject*, QEvent* Event) override {
            Count += Event->type() == QEvent::Paint ? 1 : 0;
            return false;
        }
    } Paints;
    V->installEventFilter(&Paints);
    int Skipped = 0;
    int Painted = 0;
    QImage Before = V->grab().toImage();
    // Down by pages until the thumb has moved a few pixels, then to the end
    // and back to the top.
    for (int I = 0; I < 400 && Painted < 3; ++I) {
        const int Count = Paints.Count;
        const int Value = V->value();
        QTest::keyClick(P.Pane, Qt::Key_PageDown);
        QApplication::processEvents();
        ASSERT_GT(V->value(), Value);
        const bool Repainted = Paints.Count > Count;
        const QImage After = V->grab().toImage(); // paints too
        if (!Repainted) {
            ++Skipped;
            ASSERT_EQ(After, Before) << "a repaint was skipped at " << V->value();
        } else {
            ++Painted;
        }
        Before = After;
    }
    EXPECT_GT(Skipped, 10);
    EXPECT_EQ(Painted, 3);
    for (const Qt::Key Key : {Qt::Key_End, Qt::Key_Home}) {
        const int Count = Paints.Count;
        QTest::keyClick(P.Pane, Key, Qt::ControlModifier);
        QApplication::processEvents();
        EXPECT_GT(Paints.Count, Count);
    }
    EXPECT_EQ(V->value(), 0);
    // A change of the range repaints even where the thumb stays.
    const int Count = Paints.Count;
    P.Pane->Korvel().SetAllText(Text + Text);
    QApplication::processEvents();
    EXPECT_GT(Paints.Count, Count);
    V->removeEventFilter(&Paints);
}

TEST(QtHostTest, CaretIsDrawnInvertedAndBlinks) {
    TShownPane P;
    TQtHost& Host = P.Pane->Host();
    TQtCaret& Caret = Host.Caret();
    // Focus made the control create and show its caret.
    ASSERT_TRUE(Caret.Exists());
    EXPECT_TRUE(Caret.IsVisible());

    Caret.SetFlashTime(0); // no blinking while pixels are compared
    Host.CreateCaret(2, 15);
    EXPECT_TRUE(Caret.Exists());
    EXPECT_FALSE(Caret.IsVisible());
    Host.SetCaretPos(40, 30);
    Host.ShowCaret();
    EXPECT_TRUE(Caret.IsDrawn());
    EXPECT_EQ(Caret.Rect(), QRect(40, 30, 2, 15));
    EXPECT_TRUE(Host.InvalidRegion().contains(QRect(40, 30, 2, 15)));

    const QImage On = P.Pane->viewport()->grab().toImage();
    Caret.Blink();
    EXPECT_FALSE(Caret.IsDrawn());
    const QImage Off = P.Pane->viewport()->grab().toImage();
    // The caret inverts its pixels and only those.
    const QPoint Inside(41, 37);
    EXPECT_EQ(On.pixel(Inside) ^ Off.pixel(Inside), 0x00FFFFFFu);
    EXPECT_EQ(On.pixel(50, 37), Off.pixel(50, 37));
    EXPECT_EQ(On.pixel(41, 50), Off.pixel(41, 50));

    // Moving brings it back in sight; the timer blinks at half the period.
    Caret.SetFlashTime(200);
    Host.SetCaretPos(10, 10);
    EXPECT_TRUE(Caret.IsDrawn());
    QTest::qWait(150);
    EXPECT_FALSE(Caret.IsDrawn());
    QTest::qWait(100);
    EXPECT_TRUE(Caret.IsDrawn());

    // Losing the focus destroys it; gaining it creates it again.
    auto* Other = new QWidget(&P.Window);
    Other->setFocusPolicy(Qt::StrongFocus);
    Other->show();
    Other->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(Caret.Exists());
    EXPECT_FALSE(Host.Focused());
    P.Pane->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(Caret.Exists());
    EXPECT_TRUE(Caret.IsVisible());
    EXPECT_EQ(Caret.Rect().height(), P.Pane->Korvel().GetLineHeightPx());
}

TEST(QtHostTest, PostedMessagesArriveOneAnEventLoopTurnAndOnProcessMessages) {
    TShownPane P;
    TQtHost& Host = P.Pane->Host();
    QApplication::processEvents();
    P.Messages.clear();
    constexpr uint32_t Mine = WM_USER + 50;
    for (int32_t I = 0; I < 3; ++I) {
        TMessage M = TMessage::Plain(Mine);
        M.ScrollPos = I;
        Host.PostMessage(M);
    }
    EXPECT_EQ(Host.PendingMessages(), 3);
    EXPECT_TRUE(P.Only({Mine}).empty());
    QTest::qWait(50);
    const auto Delivered = P.Only({Mine});
    ASSERT_EQ(Delivered.size(), 3u);
    for (int32_t I = 0; I < 3; ++I)
        EXPECT_EQ(Delivered[I].ScrollPos, I);

    P.Messages.clear();
    Host.PostMessage(TMessage::Plain(Mine));
    Host.PostMessage(TMessage::Plain(Mine));
    Host.ProcessMessages();
    EXPECT_EQ(P.Only({Mine}).size(), 2u);
    EXPECT_EQ(Host.PendingMessages(), 0);
}

TEST(QtHostTest, PopupMenuShowsItemsWithAccessKeysAndRunsTheChoice) {
    TShownPane P;
    TPopupMenu Menu;
    bool Opened = false;
    int32_t Chosen = -1;
    Menu.OnPopup = [&](TObject*) {
        Opened = true;
        Menu.GetItem(2).SetEnabled(false);
    };
    const char* Captions[] = {"&Undo", "-", "Cu&t", "&Copy", "Caf\xe9"};
    for (int32_t I = 0; I < 5; ++I)
        Menu.Add(Captions[I]).OnClick = [&Chosen, I](TObject*) { Chosen = I; };

    QStringList Seen;
    std::vector<bool> Enabled;
    AnswerNextModal([&](QWidget* Shown) {
        auto* Qm = qobject_cast<QMenu*>(Shown);
        ASSERT_NE(Qm, nullptr);
        for (QAction* A : Qm->actions()) {
            Seen << (A->isSeparator() ? QStringLiteral("-") : A->text());
            Enabled.push_back(A->isEnabled());
        }
        Qm->setActiveAction(Qm->actions()[3]);
        QTest::keyClick(Qm, Qt::Key_Return);
    });
    P.Pane->Host().Popup(Menu, P.Pane->Host().ClientToScreen({10, 10}));
    EXPECT_TRUE(Opened);
    EXPECT_EQ(Seen, (QStringList{"&Undo", "-", "Cu&t", "&Copy", QString::fromUtf16(u"Caf\u00e9")}));
    EXPECT_EQ(Enabled, (std::vector<bool>{true, true, false, true, true}));
    EXPECT_EQ(Chosen, 3);

    // Closing without a choice runs nothing.
    Chosen = -1;
    AnswerNextModal([](QWidget* Shown) { Shown->close(); });
    P.Pane->Host().Popup(Menu, {0, 0});
    EXPECT_EQ(Chosen, -1);
}

TEST(QtHostTest, MessageBoxIsModalWithItsTextAndAnOkButton) {
    TShownPane P;
    QString Text;
    QString Title;
    int Buttons = 0;
    AnswerNextModal([&](QWidget* Shown) {
        auto* Box = qobject_cast<QMessageBox*>(Shown);
        ASSERT_NE(Box, nullptr);
        Text = Box->text();
        Title = Box->windowTitle();
        Buttons = static_cast<int>(Box->buttons().size());
        Box->button(QMessageBox::Ok)->click();
    });
    P.Pane->Host().MessageBox("Gr\xfc\xdf Gott", "Quolt");
    EXPECT_EQ(Text, QString::fromUtf16(u"Gr\u00fc\u00df Gott"));
    EXPECT_EQ(Title, QStringLiteral("Quolt"));
    EXPECT_EQ(Buttons, 1);
}

TEST(QtHostTest, WindowMessagesOfLifeSizeAndPaint) {
    TShownPane P;
    TQtHost& Host = P.Pane->Host();
    EXPECT_TRUE(Host.HandleAllocated());
    EXPECT_TRUE(P.Pane->Korvel().IsViewLive());
    EXPECT_EQ(Host.GetClientSize(),
              (TSize{P.Pane->viewport()->width(), P.Pane->viewport()->height()}));

    P.Messages.clear();
    P.Pane->resize(300, 200);
    QApplication::processEvents();
    const auto Sizes = P.Only({WM_SIZE});
    ASSERT_FALSE(Sizes.empty());
    EXPECT_EQ(Sizes.back().Size, Host.GetClientSize());
    EXPECT_EQ(P.Pane->Korvel().GetWidth(), 300);

    // Invalidate and Update paint the area at once.
    P.Messages.clear();
    const TRect Area{5, 6, 25, 16};
    Host.Invalidate(&Area, false);
    Host.Update();
    const auto Paints = P.Only({WM_PAINT});
    ASSERT_EQ(Paints.size(), 1u);
    EXPECT_EQ(Paints[0].UpdateRect, Area);
    EXPECT_TRUE(Host.InvalidRegion().isEmpty());

    // Scrolling moves what waits to be painted and adds the strip uncovered.
    P.Messages.clear();
    Host.Invalidate(&Area, false);
    Host.ScrollWindow(0, -10, nullptr);
    const QRect Client = P.Pane->viewport()->rect();
    EXPECT_TRUE(Host.InvalidRegion().contains(QRect(5, -4, 20, 10) & Client));
    EXPECT_TRUE(Host.InvalidRegion().contains(QRect(0, Client.height() - 10, Client.width(), 10)));
    Host.Update();
    EXPECT_TRUE(Host.InvalidRegion().isEmpty());

    // Re-creating the window tells the control on both sides.
    P.Messages.clear();
    P.Pane->Korvel().SetBorderStyle(bsNone);
    EXPECT_EQ(P.Pane->frameShape(), QFrame::NoFrame);
    EXPECT_TRUE(Host.HandleAllocated());
    P.Pane->Korvel().SetBorderStyle(bsSingle);
    EXPECT_EQ(P.Pane->frameShape(), QFrame::StyledPanel);
    EXPECT_EQ(P.Pane->frameShadow(), QFrame::Sunken);
    P.Pane->Korvel().SetCtl3D(false);
    EXPECT_TRUE(Host.GetCreateParams().Style & WS_BORDER);
    EXPECT_EQ(P.Pane->frameShape(), QFrame::Box);
    EXPECT_EQ(P.Pane->lineWidth(), 1);
}

TEST(QtHostTest, CursorsOfTheWindowAndOfTheScreen) {
    TShownPane P;
    TQtHost& Host = P.Pane->Host();
    QWidget* Client = P.Pane->viewport();
    Host.SetCursor(crIBeam);
    EXPECT_EQ(Client->cursor().shape(), Qt::IBeamCursor);
    Host.SetCursor(crKVRightArrow);
    EXPECT_EQ(Client->cursor().shape(), Qt::BitmapCursor);
    EXPECT_FALSE(Client->cursor().pixmap().isNull());
    EXPECT_EQ(Host.GetCursor(), crKVRightArrow);

    // A drag's cursor covers every window until it ends.
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    Host.SetScreenCursor(crDrag);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    Host.SetScreenCursor(crDragCopy);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BitmapCursor);
    Host.SetScreenCursor(crDefault);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(QtHostTest, BackgroundFormattingRunsFromTheEventLoop) {
    TShownPane P;
    TKorvel& Pane = P.Pane->Korvel();
    ASSERT_EQ(Pane.GetUpdateMode(), umBackground);
    std::string Text;
    for (int I = 0; I < 60000; ++I)
        Text += "paragraph " + std::to_string(I) + "\r\n";
    P.Messages.clear();
    Pane.SetAllText(Text);
    const TFormatCounters& Counters = Pane.GetParagraphsList().GetFormatCounters();
    // The view's paragraphs are formatted at once, the rest step by step.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return Counters.GetFormatFrontier() > Counters.GetFormatLast(); }, 20000));
    EXPECT_EQ(Pane.GetParagraphsList().GetLineCount(), 60001);
    EXPECT_FALSE(P.Only({WM_USER + 1}).empty());
    EXPECT_EQ(Pane.GetFormatThreadState(), tsSuspended);
    EXPECT_EQ(P.Pane->Host().PendingMessages(), 0);
}

// Moving to a screen of another density re-creates the line bitmap at the new
// ratio and repaints; a paint or a screen change brings it back to the
// widget's own ratio.
TEST(QtHostTest, LineBitmapFollowsTheDevicePixelRatio) {
    TShownPane P;
    P.Pane->Korvel().SetAllText("abc");
    QApplication::processEvents();
    auto* Bitmap = dynamic_cast<TQtOffscreenCanvas*>(P.Pane->Korvel().GetCanvas());
    ASSERT_NE(Bitmap, nullptr);
    const qreal Own = P.Pane->devicePixelRatioF();
    ASSERT_EQ(Bitmap->GetDevicePixelRatio(), Own);
    const int LogicalWidth = static_cast<int>(Bitmap->GetImage().width() / Own);
    EXPECT_FALSE(P.Pane->SetLineBitmapRatio(Own));

    P.Messages.clear();
    ASSERT_TRUE(P.Pane->SetLineBitmapRatio(2 * Own));
    EXPECT_EQ(Bitmap->GetDevicePixelRatio(), 2 * Own);
    EXPECT_EQ(Bitmap->GetImage().devicePixelRatio(), 2 * Own);
    EXPECT_EQ(Bitmap->GetImage().width(), static_cast<int>(std::ceil(LogicalWidth * 2 * Own)));
    QApplication::processEvents();
    EXPECT_FALSE(P.Only({WM_PAINT}).empty());
    EXPECT_EQ(Bitmap->GetDevicePixelRatio(), Own);

    ASSERT_TRUE(P.Pane->SetLineBitmapRatio(3 * Own));
    QEvent Change(QEvent::ScreenChangeInternal);
    QApplication::sendEvent(P.Pane, &Change);
    EXPECT_EQ(Bitmap->GetDevicePixelRatio(), Own);
    // The pane still draws its text after the round trip.
    const QImage Shot = P.Pane->viewport()->grab().toImage();
    bool Dark = false;
    for (int Y = 0; Y < 20 && !Dark; ++Y)
        for (int X = 0; X < 40 && !Dark; ++X)
            Dark = qGray(Shot.pixel(X, Y)) < 100;
    EXPECT_TRUE(Dark);
}

// A column block copied with Ctrl+C travels through the system clipboard with
// its block marker and comes back by Ctrl+V as a column block.
TEST(QtHostTest, ColumnBlockRoundTripsThroughTheSystemClipboard) {
    TShownPane P;
    TKorvel& K = P.Pane->Korvel();
    K.SetOptions(K.GetOptions() | OptionBit(kvoBlockSelection));
    K.SetWordWrap(false); // blocks are columns of unwrapped lines
    K.SetAllText("abcd\r\nefgh\r\nijkl");
    QTest::keyClick(P.Pane, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(P.Pane, Qt::Key_Right);
    QTest::keyClick(P.Pane, Qt::Key_Right, Qt::ShiftModifier | Qt::AltModifier);
    QTest::keyClick(P.Pane, Qt::Key_Right, Qt::ShiftModifier | Qt::AltModifier);
    QTest::keyClick(P.Pane, Qt::Key_Down, Qt::ShiftModifier | Qt::AltModifier);
    ASSERT_TRUE(K.GetBlockActive());
    QTest::keyClick(P.Pane, Qt::Key_C, Qt::ControlModifier);
    const QMimeData* Mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(Mime, nullptr);
    EXPECT_TRUE(Mime->hasFormat(
        QStringLiteral("application/x-qt-windows-mime;value=\"Borland IDE Block Type\"")));
    const QStringList Rows = Mime->text().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(Rows.size(), 2);
    EXPECT_EQ(Rows[0], QStringLiteral("bc"));
    EXPECT_EQ(Rows[1], QStringLiteral("fg"));

    // Pasted at the start of the last line, the block goes in column-wise.
    QTest::keyClick(P.Pane, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(P.Pane, Qt::Key_Home);
    QTest::keyClick(P.Pane, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(K.GetAllText(), "abcd\r\nefgh\r\n" + (Rows[0] + "ijkl\r\n" + Rows[1]).toStdString());
}
