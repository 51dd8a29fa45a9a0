// The functions offered to scripts and other extensions (API_, APIdef_ and APIvararg_
// registrations): reading and changing a project's settings and choosing its picture.
#pragma once

struct ReaProject;

// Registers every function (a refused one is reported and left out; the rest still work).
void RegisterScriptFunctions();
// Undoes what RegisterScriptFunctions registered.
void UnregisterScriptFunctions();

// Null project means the current one; a pointer the host does not know is refused. Every refusal
// is false and one diagnostic line.
bool ScriptGetSetting(ReaProject* project, const char* key, char* value_out, int value_out_size);
bool ScriptSetSetting(ReaProject* project, const char* key, const char* value);
bool ScriptChoosePicture(ReaProject* project, const char* path);
const char* ScriptGetVersion();
