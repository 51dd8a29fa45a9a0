// Points one import of the extension module the host loaded last at a stand-in for as long as the
// swap lives, so that tests can make a system call fail that Wine never fails by itself.
#pragma once

#include <windows.h>

struct ImportSwap {
    // module_name is compared ignoring case; Swapped() tells whether the slot was found and
    // written.
    ImportSwap(const char* module_name, const char* function_name, void* stand_in);
    ~ImportSwap();
    ImportSwap(const ImportSwap&) = delete;
    ImportSwap& operator=(const ImportSwap&) = delete;
    bool Swapped() const { return slot_ != nullptr; }

  private:
    HMODULE module_ = nullptr;
    void** slot_ = nullptr;
    void* real_ = nullptr;
    void* stand_in_ = nullptr;
};
