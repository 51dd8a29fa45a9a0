// How long the host's interface thread was held by the extension in one go. Every call the host
// makes into it there (timer callbacks, command hooks, toggle queries, menu hooks) is timed, less
// the host's own painting of the arrange view nested in it (the host draws and presents its frame
// anyway; the extension's keying inside that presentation is counted with the painting). Only the
// outermost call counts: a command run from inside a timer callback, or timer ticks dispatched by
// a modal loop inside a command, belong to the call around them, so a modal dialog counts until
// it closes: the accounting cannot tell a dialog's loop from work and counts the longer figure.
#pragma once

#include <string>

namespace sim {

struct UiStall {
    double max_ms = 0;
    std::string where; // "timer", "command <id>", "toggle <id>", "menu <name>"; empty: no call
    int calls = 0;     // outermost calls timed
};

void ResetUiStall();
UiStall CurrentUiStall();

// Brackets a call into the extension on the interface thread; where says what it was.
class ExtensionCallTiming {
  public:
    explicit ExtensionCallTiming(const char* kind, int id = -1, const char* name = nullptr);
    ~ExtensionCallTiming();
    ExtensionCallTiming(const ExtensionCallTiming&) = delete;
    ExtensionCallTiming& operator=(const ExtensionCallTiming&) = delete;

  private:
    bool outermost_;
    long long start_;
    std::string where_;
};

// Brackets the host's painting of the arrange view; its time is left out of the call around it.
class HostPaintTiming {
  public:
    HostPaintTiming();
    ~HostPaintTiming();
    HostPaintTiming(const HostPaintTiming&) = delete;
    HostPaintTiming& operator=(const HostPaintTiming&) = delete;

  private:
    bool inside_call_;
    bool counted_;
    long long start_;
};

} // namespace sim
