#include "lib/heap_usage.h"

#include <gtest/gtest.h>

SIZE_T ProcessHeapBusyBytes()
{
    const HANDLE heap = GetProcessHeap();
    SIZE_T busy = 0;
    if (!HeapLock(heap)) {
        ADD_FAILURE() << "can't lock the process heap";
        return 0;
    }
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heap, &entry)) {
        if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
            busy += entry.cbData;
        }
    }
    const DWORD error = GetLastError();
    HeapUnlock(heap);
    if (error != ERROR_NO_MORE_ITEMS || busy == 0) {
        ADD_FAILURE() << "can't walk the process heap (error " << error << ")";
    }
    return busy;
}
