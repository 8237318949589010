#pragma once
// The emergency parameter reset offered at start-up: after two confirmations, each reset
// setting is shown with its stored value and cleared to its install value on Yes.
#include "base/Dialogs.h"
#include <QString>

namespace zelvan::app
{

class SettingsStore;

inline constexpr const char* kEmergencyResetTitle = "Emergency Parameter Reset";

// Asks the questions and writes each confirmed install value at once. A setting that cannot
// be written is reported to the operator (warning) and the remaining questions still come.
// Returns false (and the first `error`) when any write failed.
bool runEmergencyReset(Dialogs& dialogs, SettingsStore& store, QString* error = nullptr);

} // namespace zelvan::app
