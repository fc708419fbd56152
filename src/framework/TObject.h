#pragma once

#include <functional>

namespace korvel {

// The root of the classes that events name as their sender.
class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = default;
    TObject& operator=(const TObject&) = default;
    virtual ~TObject() = default;
};

// An object whose state can be stored and copied as a whole.
class TPersistent : public TObject {};

// The plain notification: the sender only.
using TNotifyEvent = std::function<void(TObject* Sender)>;

} // namespace korvel
