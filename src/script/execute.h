#pragma once
// The statement executor: runs a pre-parsed program straight from its tokens, following the
// links the pre-parser placed, opening and closing scope frames, and handing every expression
// to the evaluator.
#include <string_view>

#include "script/variable.h"

namespace kestrel::script {

struct Engine;

// Runs statements from token until a T_FUNCEND, a return (its value goes into result) or
// T_END.
void executeBlock(Engine& engine, int token, ScriptValue& result);
// Calls the script function of that name; false when there is none. A function whose result
// type is still unknown takes the type of what it returned.
bool callFunctionByName(Engine& engine, std::string_view name, ScriptValue& result);
// Releases every value on the stack, gives every symbol back its earlier slot and closes
// every frame and with-object.
void flushAll(Engine& engine);

}  // namespace kestrel::script
