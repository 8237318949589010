#pragma once
// The emergency parameter reset offered at start-up: after two confirmations, each reset
// setting is shown with its stored value and cleared to its install value on Yes.
#include "base/Dialogs.h"
#include "base/Result.h"

#include <QString>

namespace zelvan::app
{

class SettingsStore;

inline constexpr const char* kEmergencyResetTitle = "Emergency Parameter Reset";

// Asks the questions and writes each confirmed install value at once. A setting that cannot
// be written is reported to the operator (warning) and the remaining questions still come.
// The first failed write is the result.
Status runEmergencyReset(Dialogs& dialogs, SettingsStore& store);

} // namespace zelvan::app
