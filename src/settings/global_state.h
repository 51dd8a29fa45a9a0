// Values in the host's global extension state, section "Murivo": what belongs to this computer
// rather than to a project.
#pragma once

#include <string>

// The value as UTF-8; empty when the host lacks the functions, has no value, or holds one
// too long to be anything Murivo wrote.
std::string ReadGlobalValue(const std::string& key);

// Stores the value to be kept across runs; an empty value removes the key. False when the host
// lacks the function.
bool WriteGlobalValue(const std::string& key, const std::string& value);
