#pragma once

#include "framework/TObject.h"

namespace korvel {

// Common base of the font and pen values: an OnChange notification so that the
// owner of a font or pen can invalidate or re-measure when it changes.
//
// The handler belongs to the owner, not to the value: copying a font or pen
// copies its attributes only, and assigning into one keeps the target's handler
// (and fires it when anything changed).
class TGraphicsObject : public TPersistent {
public:
    // Fired after any attribute changed, with this object as the sender.
    TNotifyEvent OnChange;

protected:
    TGraphicsObject() = default;
    TGraphicsObject(const TGraphicsObject& /*Other*/) : TPersistent() {}
    TGraphicsObject& operator=(const TGraphicsObject& /*Other*/) { return *this; }
    ~TGraphicsObject() override = default;

    void Changed() {
        if (OnChange)
            OnChange(this);
    }

    // Stores Value into Field and notifies, but only when it differs.
    template <class T>
    void Update(T& Field, const T& Value) {
        if (Field == Value)
            return;
        Field = Value;
        Changed();
    }
};

} // namespace korvel
