#pragma once

#include <cstdint>
#include <functional>

namespace korvel {

class TCustomControl;
class TkvFormatThread;

// The states of a control's background formatting: no thread (the mode is
// not background, the control sits in the designer or has no window), a
// thread that waits (nothing to format) and one that keeps asking for steps.
enum TkvThreadState : uint8_t { tsNone, tsSuspended, tsRunning };

// Called when a thread ends by itself (not through StopFormatThread).
using TkvThreadTerminateEvent = std::function<void(TkvFormatThread* Thread)>;

// The control's background formatting "thread". It never formats anything
// itself and runs no code of its own off the control's thread: while it
// runs, it keeps one private message WM_USER + 1 posted to its control's
// window, whose handler runs one formatting step and, when the thread still
// runs afterwards, asks for the next (RequestStep). Input posted meanwhile is
// delivered between two steps, so the user is never kept waiting longer than
// one step.
//
// It is created suspended for one control; Resume starts it, Suspend parks
// it. Terminate asks it to end: it ends when its next step message arrives
// (the control's handler then frees it instead of stepping), and its
// OnTerminate callback runs when the object is destroyed, unless cleared
// first. StopFormatThread of the control clears the callback and frees it
// at once.
class TkvFormatThread {
public:
    explicit TkvFormatThread(TCustomControl& Control);
    // Runs OnTerminate when it is still set.
    ~TkvFormatThread();

    TkvFormatThread(const TkvFormatThread&) = delete;
    TkvFormatThread& operator=(const TkvFormatThread&) = delete;

    // The control's terminate callback.
    TkvThreadTerminateEvent OnTerminate;

    TCustomControl* GetControl() const { return Control; }
    // The control no longer wants steps: nothing is posted from now on.
    void Detach() { Control = nullptr; }

    bool GetSuspended() const { return Suspended; }
    bool IsTerminated() const { return Terminated; }
    TkvThreadState GetState() const { return Suspended ? tsSuspended : tsRunning; }

    // Starts a suspended thread: it asks for a step.
    void Resume();
    // Parks a running thread until the next Resume.
    void Suspend() { Suspended = true; }
    // Asks the thread to end; a running one ends at its next step.
    void Terminate();

    // Posts the step message unless one is on its way already, and only
    // while the thread runs for an attached control with a window.
    void RequestStep();
    // The handler received the step message.
    void StepDelivered() { StepPosted = false; }
    bool IsStepPosted() const { return StepPosted; }

private:
    TCustomControl* Control;
    bool Suspended = true;
    bool Terminated = false;
    bool StepPosted = false;
};

} // namespace korvel
