// What the system tells and sets about threads, for the frame workers: Win32 glue
// (win32_thread_traits.cpp); the native test, benchmark and fuzz programs link stand-ins.
#pragma once

// Processor cores, each counted once however many hardware threads it runs; at least 1.
int ProcessorCoreCount();

// The calling thread's scheduling priority, as the system numbers it.
int CallingThreadPriority();

// Names the calling thread "Murivo frame rows N" for debuggers and profilers, and gives it
// `priority` (what CallingThreadPriority returned on the thread that started it).
void BecomeFrameWorker(int number, int priority);

// Names the calling thread "Murivo picture loader" and puts it below normal priority: it reads
// and decodes files, which nobody waits for.
void BecomePictureThread();
