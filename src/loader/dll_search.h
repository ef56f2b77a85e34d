#pragma once

// Keeps every DLL the process loads by name from coming from anywhere but
// System32. Called first thing in WinMain, before any other DLL is loaded.
void RestrictDllSearchToSystem32();
