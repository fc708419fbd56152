#pragma once

namespace korvel {

// Sets a flag for the lifetime of the guard and puts back what it held.
class TFlagGuard {
public:
    TFlagGuard(bool& Flag, bool Value) : Flag(Flag), Old(Flag) { Flag = Value; }
    ~TFlagGuard() { Flag = Old; }
    TFlagGuard(const TFlagGuard&) = delete;
    TFlagGuard& operator=(const TFlagGuard&) = delete;

private:
    bool& Flag;
    bool Old;
};

} // namespace korvel
