#include "script/engine.h"

namespace kestrel::script {

// Every store entry is released, in use or not: a released entry is 'I' 0 and costs nothing.
Engine::~Engine() {
    for (StackEntry& entry : stack.entries) valueRelease(*this, entry.value);
    for (ScriptValue& value : with.objects) valueRelease(*this, value);
    closedownObjectSystem(*this);
    deleteTokenised(*this);
    releaseSymbols(*this);
}

}  // namespace kestrel::script
