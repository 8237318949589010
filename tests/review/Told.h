#pragma once
// Shows what a review step tells the operator on the test's dialogs, as the screen does, and
// hands back its answer; the tests then check exactly what the operator would have seen.
#include "base/OperatorMessage.h"
#include "review/Informed.h"

namespace zelvan::test
{

template <class T> T told(const review::Informed<T>& informed, Dialogs& dialogs)
{
    showMessages(dialogs, informed.messages);
    return informed.value;
}

} // namespace zelvan::test
