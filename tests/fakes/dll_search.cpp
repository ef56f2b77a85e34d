// Link-time stand-in that leaves the DLL search as the system sets it: the
// program built with it shows what the planted-DLL test would see without
// the protection.
#include "loader/dll_search.h"

void RestrictDllSearchToSystem32() {}
