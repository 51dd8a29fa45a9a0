// The seven actions, the command hooks, the toggle state and the Extensions menu.
#pragma once

#include "base/command_ids.h"

bool RegisterActions();
void UnregisterActions();
bool DispatchCommand(int command_id);
bool OnHookCommand2(void* section, int command_id, int value, int value_high, int relative_mode,
                    void* window);
bool OnHookCommand(int command_id, int flag);
int QueryToggleState(int command_id);
void OnCustomMenu(const char* menu_name, void* menu, int flag);
