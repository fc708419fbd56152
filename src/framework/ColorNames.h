#pragma once

#include "framework/TColor.h"

#include <string>
#include <string_view>

// The names under which a form description stores colours: the framework's
// colour constants (clRed, clWindow, clNone, ...).
namespace korvel {

// The name of Color, or "" when it has none (it is then stored as a number).
std::string ColorToIdent(TColor Color);
// The colour of Name (compared without regard to case); false when there is none.
bool IdentToColor(std::string_view Name, TColor& Color);

} // namespace korvel
