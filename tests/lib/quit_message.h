#pragma once

// The exit code of the quit message waiting in this thread's queue, taking
// it; -1 if none is waiting.
int TakeQuit();
