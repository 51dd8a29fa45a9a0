#include "base/command_ids.h"

int g_command_ids[kCommandCount] = {};
