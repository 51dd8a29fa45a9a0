// The seven actions and the command ids the host gave them: registered by the actions, read by
// whoever refreshes a toolbar button or checks a menu item.
#pragma once

enum CommandIndex {
    kChoose = 0,
    kRemove,
    kToggle,
    kSettings,
    kAbout,
    kUseAsDefault,
    kMidiEditor,
    kCommandCount
};

// Command ids the host gave the actions; 0 while not registered.
extern int g_command_ids[kCommandCount];

// Asks the host's toolbars to show the action's toggle state again; nothing while unregistered.
void RefreshToolbarButton(CommandIndex index);
