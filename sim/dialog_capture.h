// Screenshots of the extension's dialogs: the action that opens one runs while a thread timer
// finds the dialog by its title (clicking through the settings dialog for the nested ones),
// waits for it to paint, copies its client area as the screen shows it and closes what it
// opened.
#pragma once

#include <functional>
#include <string>

namespace sim {

// The dialogs by their command-line names: settings, tint, items, about.
bool IsDialogShotName(const std::string& name);

// How long a capture may keep dialogs open before everything is closed and it fails.
inline constexpr unsigned kDialogCaptureWatchdogMs = 5000;

// Runs run_action with the id of the action that opens the named dialog (it returns once the
// dialog is closed again) and writes the dialog's client area to path as PNG. On success
// message holds "screenshot PATH (WxH), title "TITLE""; otherwise it says what went wrong.
bool CaptureDialog(const std::string& name, const std::string& path,
                   const std::function<void(const std::string&)>& run_action, std::string& message);

} // namespace sim
