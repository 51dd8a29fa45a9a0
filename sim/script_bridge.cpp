#include "script_bridge.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>

#include "base/host_records.h"
#include "registrations.h"

namespace sim {

namespace {

// Bytes after each output buffer that a correct function never touches.
constexpr size_t kGuardBytes = 16;
constexpr char kGuardByte = '\xA5';

struct Definition {
    std::string return_type;
    std::vector<std::string> types;
    std::vector<std::string> names;
};

std::vector<std::string> SplitCommas(const std::string& text) {
    std::vector<std::string> parts;
    if (text.empty()) {
        return parts;
    }
    size_t start = 0;
    while (true) {
        size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos) {
            return parts;
        }
        start = comma + 1;
    }
}

// Four NUL-terminated parts one after the other: return type, types, names, help.
std::optional<Definition> ReadDefinition(const char* text) {
    if (text == nullptr) {
        return std::nullopt;
    }
    std::string parts[3];
    for (std::string& part : parts) {
        part = text;
        text += part.size() + 1;
    }
    Definition definition{parts[0], SplitCommas(parts[1]), SplitCommas(parts[2])};
    if (definition.types.size() != definition.names.size()) {
        return std::nullopt;
    }
    return definition;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

} // namespace

void* CallScriptVararg(const std::string& name, std::vector<void*> slots, bool* registered) {
    auto wrapper = reinterpret_cast<ScriptVarargFunction>(ActiveRegistration("APIvararg_" + name));
    *registered = wrapper != nullptr;
    if (wrapper == nullptr) {
        return nullptr;
    }
    return wrapper(slots.data(), static_cast<int>(slots.size()));
}

ScriptCallResult CallScriptFunction(const std::string& name,
                                    const std::vector<ScriptArgument>& arguments, int out_size) {
    ScriptCallResult result;
    std::optional<Definition> definition =
        ReadDefinition(static_cast<const char*>(ActiveRegistration("APIdef_" + name)));
    if (!definition) {
        result.error = "no definition registered";
        return result;
    }
    result.return_type = definition->return_type;
    std::vector<void*> slots;
    std::deque<std::string> buffers; // stable addresses while slots point into them
    std::deque<double> doubles;
    std::vector<std::pair<std::string, std::string*>> outputs;
    size_t next = 0;
    const size_t count = definition->types.size();
    for (size_t i = 0; i < count; ++i) {
        const std::string& type = definition->types[i];
        const std::string& argument_name = definition->names[i];
        if (type == "char*" && EndsWith(argument_name, "Out") && i + 1 < count &&
            definition->types[i + 1] == "int" &&
            definition->names[i + 1] == argument_name + "_sz") {
            std::string& buffer = buffers.emplace_back(std::string(size_t(out_size), '\0'));
            buffer.append(kGuardBytes, kGuardByte);
            outputs.emplace_back(argument_name, &buffer);
            slots.push_back(buffer.data());
            slots.push_back(reinterpret_cast<void*>(static_cast<intptr_t>(out_size)));
            ++i;
            continue;
        }
        if (next >= arguments.size()) {
            result.error = "too few arguments";
            return result;
        }
        const ScriptArgument& argument = arguments[next++];
        const intptr_t* number = std::get_if<intptr_t>(&argument);
        if (type == "const char*") {
            const std::string* text = std::get_if<std::string>(&argument);
            if (text == nullptr) {
                result.error = argument_name + " must be a text";
                return result;
            }
            slots.push_back(const_cast<char*>(text->c_str()));
        } else if (type == "int" || type == "bool") {
            if (number == nullptr) {
                result.error = argument_name + " must be a number";
                return result;
            }
            slots.push_back(reinterpret_cast<void*>(*number));
        } else if (type == "double") {
            if (number == nullptr) {
                result.error = argument_name + " must be a number";
                return result;
            }
            slots.push_back(&doubles.emplace_back(static_cast<double>(*number)));
        } else if (EndsWith(type, "*")) {
            if (number != nullptr) {
                slots.push_back(reinterpret_cast<void*>(*number));
            } else if (void* const* pointer = std::get_if<void*>(&argument)) {
                slots.push_back(*pointer);
            } else {
                result.error = argument_name + " must be a pointer";
                return result;
            }
        } else {
            result.error = "argument type " + type + " unknown to the bridge";
            return result;
        }
    }
    if (next != arguments.size()) {
        result.error = "too many arguments";
        return result;
    }
    bool registered = false;
    void* answer = CallScriptVararg(name, slots, &registered);
    if (!registered) {
        result.error = "no vararg wrapper registered";
        return result;
    }
    result.called = true;
    result.value = reinterpret_cast<intptr_t>(answer);
    if (result.return_type == "const char*" && answer != nullptr) {
        result.text = static_cast<const char*>(answer);
    }
    for (const auto& [argument_name, buffer] : outputs) {
        const size_t size = size_t(out_size);
        if (buffer->find_first_not_of(kGuardByte, size) != std::string::npos) {
            result.faults.push_back(argument_name + " written past " + argument_name + "_sz");
        }
        const size_t end = buffer->find('\0');
        if (size > 0 && end >= size) {
            result.faults.push_back(argument_name + " left without a NUL");
        }
        result.outputs.emplace_back(argument_name, buffer->substr(0, std::min(end, size)));
    }
    return result;
}

bool ParseScriptCall(const std::string& text, std::string& name,
                     std::vector<ScriptArgument>& arguments, std::string& error) {
    size_t at = 0;
    auto skip_spaces = [&] {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) {
            ++at;
        }
    };
    skip_spaces();
    const size_t name_start = at;
    while (at < text.size() && (std::isalnum(static_cast<unsigned char>(text[at])) != 0 ||
                                text[at] == '_' || text[at] == '.')) {
        ++at;
    }
    name = text.substr(name_start, at - name_start);
    // Scripts write reaper.Name(...); the bridge knows the name alone.
    if (name.rfind("reaper.", 0) == 0) {
        name = name.substr(7);
    }
    skip_spaces();
    if (name.empty() || at >= text.size() || text[at] != '(') {
        error = "expected NAME(ARGUMENTS), got '" + text + "'";
        return false;
    }
    ++at;
    arguments.clear();
    skip_spaces();
    bool closed = at < text.size() && text[at] == ')';
    while (!closed) {
        skip_spaces();
        if (at < text.size() && text[at] == '"') {
            std::string value;
            ++at;
            while (at < text.size() && text[at] != '"') {
                if (text[at] == '\\' && at + 1 < text.size()) {
                    ++at;
                }
                value += text[at++];
            }
            if (at >= text.size()) {
                error = "unterminated text in '" + text + "'";
                return false;
            }
            ++at;
            arguments.emplace_back(value);
        } else {
            const char* begin = text.c_str() + at;
            char* end = nullptr;
            errno = 0;
            long long number = std::strtoll(begin, &end, 10);
            if (end == begin || errno != 0) {
                error = "expected a number or a \"text\" at '" + text.substr(at) + "'";
                return false;
            }
            at += static_cast<size_t>(end - begin);
            arguments.emplace_back(static_cast<intptr_t>(number));
        }
        skip_spaces();
        if (at < text.size() && text[at] == ',') {
            ++at;
        } else if (at < text.size() && text[at] == ')') {
            closed = true;
        } else {
            error = "expected , or ) at '" + text.substr(at) + "'";
            return false;
        }
    }
    ++at;
    skip_spaces();
    if (at != text.size()) {
        error = "unexpected text after the call: '" + text.substr(at) + "'";
        return false;
    }
    return true;
}

std::string DescribeScriptResult(const ScriptCallResult& result) {
    if (!result.called) {
        return "not called: " + result.error;
    }
    if (result.return_type == "bool") {
        return (result.value & 0xFF) != 0 ? "true" : "false";
    }
    if (result.return_type == "const char*") {
        return result.text ? "\"" + *result.text + "\"" : "null";
    }
    if (result.return_type == "void") {
        return "done";
    }
    return std::to_string(result.value);
}

} // namespace sim
