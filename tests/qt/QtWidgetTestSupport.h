#pragma once

#include "Korvel/TKorvel.h"
#include "platform/TMessage.h"
#include "platform/qt/KorvelWidget.h"
#include "platform/qt/TQtHost.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace korvel::qttest {

// A KorvelWidget shown in a window of its own, with every message that
// reaches its control recorded.
struct TShownPane {
    std::vector<TMessage> Messages;
    QWidget Window;
    KorvelWidget* Pane;

    explicit TShownPane(QSize Size = {400, 300}) {
        Pane = new KorvelWidget(&Window); // owned by the window
        Pane->setGeometry(0, 0, Size.width(), Size.height());
        Window.resize(Size);
        Pane->Host().OnDeliver = [this](const TMessage& M) { Messages.push_back(M); };
        Pane->Host().OnException = [](const std::string& Text) {
            ADD_FAILURE() << "exception in a handler: " << Text;
        };
        Window.show();
        Window.activateWindow();
        (void)QTest::qWaitForWindowExposed(&Window);
        (void)QTest::qWaitForWindowActive(&Window);
        Pane->setFocus();
        QApplication::processEvents();
    }

    ~TShownPane() {
        Pane->Host().OnDeliver = nullptr;
        Pane->Host().OnException = nullptr;
    }

    // The recorded messages of the given codes, in order.
    std::vector<TMessage> Only(std::initializer_list<uint32_t> Codes) const {
        std::vector<TMessage> Out;
        for (const TMessage& M : Messages)
            for (const uint32_t C : Codes)
                if (M.Msg == C)
                    Out.push_back(M);
        return Out;
    }
};

// Runs Action on the modal widget or popup that opens next (polling until
// one is there), so that a test can answer a dialog it starts.
inline void AnswerNextModal(std::function<void(QWidget*)> Action) {
    auto* Poll = new QTimer(QApplication::instance());
    Poll->setInterval(10);
    QObject::connect(Poll, &QTimer::timeout, [Poll, Action = std::move(Action)] {
        QWidget* Modal = QApplication::activeModalWidget();
        if (Modal == nullptr)
            Modal = QApplication::activePopupWidget();
        if (Modal == nullptr)
            return;
        Poll->stop();
        Poll->deleteLater();
        Action(Modal);
    });
    Poll->start();
}

} // namespace korvel::qttest
