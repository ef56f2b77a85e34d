#pragma once

#include <windows.h>

// Bytes in use on the process heap, where the system keeps what a directory
// search holds until FindClose. Fails the calling test, with a message, if
// the heap can't be walked.
SIZE_T ProcessHeapBusyBytes();
