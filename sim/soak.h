// The sandbox's soak run: many host frames with random user and host activity around an attached
// extension, then its unload, counting what it left behind and every diagnostic nobody expected.
#pragma once

#include <string>

namespace sim {

struct SoakResult {
    int frames;         // host frames run
    long long renders;  // frames the extension drew onto the arrange view itself
    int hooked;         // host presentations that reached the screen already corrected
    long long live_gdi; // GDI objects and device contexts of the extension not given back
    int unexpected;     // diagnostics outside the expected set
};

// Right after the extension module is mapped and before its entry runs, so every GDI object and
// device context it makes is counted.
void PrepareSoak();

// Runs the frames (the extension has been loaded and the host ran long enough for it to attach),
// unloads the extension with the host's null record and counts what is left. Each unexpected
// diagnostic is printed as "sandbox: soak unexpected: ..." when it comes.
SoakResult RunSoak(int frames);

// "soak frames=N renders=R hooked=H live-gdi=K unexpected=U"
std::string SoakSummary(const SoakResult& result);

} // namespace sim
