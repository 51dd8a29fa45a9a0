// A script bridge's side of the functions an extension offers: the definition registered under
// "APIdef_<name>" says the types and names of the arguments, the bridge allocates the "...Out"
// buffers with their "..._sz" and calls the wrapper registered under "APIvararg_<name>".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace sim {

// One argument as a script passes it: a number (integers, booleans, a project as 0 for the
// current one), a text, or a pointer (a project handle).
using ScriptArgument = std::variant<intptr_t, std::string, void*>;

struct ScriptCallResult {
    bool called = false; // false: error says why nothing was called
    std::string error;
    std::string return_type;
    intptr_t value = 0;              // the raw result slot
    std::optional<std::string> text; // a "const char*" result; nothing for null
    // Each "...Out" buffer after the call, by argument name, read up to its first NUL.
    std::vector<std::pair<std::string, std::string>> outputs;
    // A buffer written past its size or left without a NUL: the function broke the convention.
    std::vector<std::string> faults;
};

// Calls name as a bridge does; every output buffer holds out_size bytes.
ScriptCallResult CallScriptFunction(const std::string& name,
                                    const std::vector<ScriptArgument>& arguments,
                                    int out_size = 4096);

// Calls the registered vararg wrapper with slots exactly as given (for arguments no bridge
// would pass); registered says whether there was one to call.
void* CallScriptVararg(const std::string& name, std::vector<void*> slots, bool* registered);

// "Murivo_SetSetting(0, \"opacity_permille\", \"500\")": decimal integers and double-quoted
// texts (\" and \\ escaped). False with a message in error otherwise.
bool ParseScriptCall(const std::string& text, std::string& name,
                     std::vector<ScriptArgument>& arguments, std::string& error);

// The result as the sandbox prints it: "true", "42", "\"1.0.1\"", "null".
std::string DescribeScriptResult(const ScriptCallResult& result);

} // namespace sim
