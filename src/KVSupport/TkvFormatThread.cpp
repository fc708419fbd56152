#include "KVSupport/TkvFormatThread.h"

#include "platform/TControlHost.h"
#include "platform/TCustomControl.h"
#include "platform/TMessage.h"
#include "platform/WindowsCodes.h"

namespace korvel {

TkvFormatThread::TkvFormatThread(TCustomControl& Owner) : Control(&Owner) {}

TkvFormatThread::~TkvFormatThread() {
    if (OnTerminate) {
        const TkvThreadTerminateEvent Callback = std::move(OnTerminate);
        OnTerminate = nullptr;
        Callback(this);
    }
}

void TkvFormatThread::Resume() {
    if (!Suspended)
        return;
    Suspended = false;
    RequestStep();
}

void TkvFormatThread::Terminate() {
    Terminated = true;
    RequestStep();
}

void TkvFormatThread::RequestStep() {
    if (Suspended || StepPosted || Control == nullptr || !Control->HandleAllocated())
        return;
    StepPosted = true;
    Control->GetHost()->PostMessage(TMessage::Plain(WM_USER + 1));
}

} // namespace korvel
