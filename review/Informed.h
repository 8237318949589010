#pragma once
// What a step that tells the operator something gives back: its answer, and the messages the
// operator is to be shown, in order (none when all went well). The screen shows them with
// showMessages(); zelvan-tool turns them into its JSON or its error line.
#include "base/OperatorMessage.h"

namespace zelvan::review
{

template <class T> struct Informed {
    T value{};
    OperatorMessages messages;
};

} // namespace zelvan::review
