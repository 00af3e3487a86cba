// Hand-off to the installer: the Swaplet executable embedded as resource "IDR_XDATA" of type
// "XDATA" is written to the temporary directory as "Swaplet.exe" and started there with the
// application directory as its command line.
#pragma once
#include <windows.h>

// Writes and starts the installer. Nonzero when it was written whole and started; 0 (nothing
// started) when the resource is missing, a path does not fit its buffer, the file cannot be written
// whole (a broken file is deleted) or the start fails.
int LaunchInstallerFor(const char* appDir);

// The embedded installer's bytes in module (found by type and name, any language); false if absent.
bool FindEmbeddedInstaller(HMODULE module, const void** data, DWORD* size);
// Creates path (replacing a file of that name, sharing it for reading only) and writes size bytes
// in one write. Nonzero when every byte was written; otherwise the file is deleted again.
int WriteWholeFile(const char* path, const void* data, DWORD size);
