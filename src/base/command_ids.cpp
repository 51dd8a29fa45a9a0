#include "base/command_ids.h"

#include "base/host_api.h"

int g_command_ids[kCommandCount] = {};

void RefreshToolbarButton(CommandIndex index) {
    if (g_host.RefreshToolbar2 != nullptr && g_command_ids[index] != 0) {
        g_host.RefreshToolbar2(0, g_command_ids[index]);
    }
}
