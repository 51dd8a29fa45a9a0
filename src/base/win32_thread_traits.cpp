#include "base/thread_traits.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

using SetThreadDescriptionFunction = HRESULT(WINAPI*)(HANDLE, PCWSTR);

// Windows 10 1607 and later; older systems and older Wine lack it, and then threads go unnamed.
SetThreadDescriptionFunction FindSetThreadDescription() {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<SetThreadDescriptionFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetThreadDescription")));
}

} // namespace

int ProcessorCoreCount() {
    DWORD size = 0;
    GetLogicalProcessorInformationEx(RelationProcessorCore, nullptr, &size);
    std::vector<unsigned char> buffer;
    try {
        buffer.resize(size);
    } catch (const std::exception&) {
        size = 0;
    }
    int cores = 0;
    if (size > 0 &&
        GetLogicalProcessorInformationEx(
            RelationProcessorCore,
            reinterpret_cast<SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX*>(buffer.data()), &size)) {
        // Records of varying length, one per core.
        for (DWORD at = 0; at + sizeof(DWORD) * 2 <= size;) {
            const auto* record =
                reinterpret_cast<const SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX*>(&buffer[at]);
            if (record->Size == 0) {
                break;
            }
            cores += record->Relationship == RelationProcessorCore ? 1 : 0;
            at += record->Size;
        }
    }
    if (cores > 0) {
        return cores;
    }
    SYSTEM_INFO system = {};
    GetSystemInfo(&system);
    return system.dwNumberOfProcessors > 0 ? int(system.dwNumberOfProcessors) : 1;
}

int CallingThreadPriority() {
    const int priority = GetThreadPriority(GetCurrentThread());
    return priority != THREAD_PRIORITY_ERROR_RETURN ? priority : THREAD_PRIORITY_NORMAL;
}

void BecomeFrameWorker(int number, int priority) {
    SetThreadPriority(GetCurrentThread(), priority);
    static const SetThreadDescriptionFunction describe = FindSetThreadDescription();
    if (describe != nullptr) {
        std::wstring name = L"Murivo frame rows " + std::to_wstring(number);
        describe(GetCurrentThread(), name.c_str());
    }
}

void BecomePictureThread() {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    static const SetThreadDescriptionFunction describe = FindSetThreadDescription();
    if (describe != nullptr) {
        describe(GetCurrentThread(), L"Murivo picture loader");
    }
}
