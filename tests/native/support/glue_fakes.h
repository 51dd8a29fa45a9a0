#pragma once

#include <string>
#include <vector>

struct GlueCalls {
    struct Apply {
        bool force_reload;
        bool redraw;
    };
    std::vector<std::string> debug_lines;
    std::vector<Apply> applies;
    int choose = 0;
    int settings_dialog = 0;
    int about = 0;
};

extern GlueCalls g_glue_calls;
