// Releases a COM interface once and forgets it, so a release list can run on any path.
#pragma once

template <typename Interface> void ReleaseCom(Interface*& object) {
    if (object != nullptr) {
        object->Release();
        object = nullptr;
    }
}
