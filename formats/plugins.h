// The outside libraries the program loads by name at run time: tar.dll, unrar.dll, iso.dll,
// xml.dll, rm.dll and history.dll. A probe loads a library once, records whether it is there
// and never tries again; a loader loads it again and keeps the handle for the life of the
// process. Exports are resolved by name at each call (PluginExport). Nothing here stops the
// program: a missing library only disables the features that need it.
//
// The per-library wrappers (formats/tarbind, formats/unrarbind, formats/isobind) sit on top
// of these and return the failure values of their library when it is not loaded.
#pragma once
#include <windows.h>

enum PluginId {
    PLUGIN_TAR = 0,      // tar.dll
    PLUGIN_UNRAR = 1,    // unrar.dll
    PLUGIN_ISO = 2,      // iso.dll
    PLUGIN_XML = 3,      // xml.dll
    PLUGIN_RM = 4,       // rm.dll (only while the recent-list setting is on)
    PLUGIN_HISTORY = 5,  // history.dll (the one library that is unloaded again)
    PLUGIN_COUNT
};

// The library's file name ("tar.dll", ...); "" for an unknown id.
const char* PluginFileName(int id);

// Availability probe: 1 present, 0 absent. The first call loads and frees the library
// (LoadLibraryA of the bare name, usual search order) and records the answer; later calls
// return the record. xml.dll's probe keeps the handle (see PluginModule).
int ProbePlugin(int id);

// Loader: when the library is not loaded yet, loads it and keeps the handle ("could not find
// \"%s\"\n" on standard output when it cannot). iso.dll's loader first writes "loading iso
// lib"; rm.dll's does nothing while the recent-list setting is off. 1 when loaded afterwards.
int LoadPlugin(int id);

// The kept module handle, or null while the library is not loaded.
HMODULE PluginModule(int id);
// 1 while the library is loaded.
int IsPluginLoaded(int id);

// The export name of the loaded library, looked up now; null when the library is not loaded
// or lacks it.
FARPROC PluginExport(int id, const char* name);

// Unloads the library and clears its loaded flag (history.dll only; the others stay).
void UnloadPlugin(int id);

// Tests only: forget every probe record and loaded flag (handles are freed), and make
// libraries load from folder (null: the usual search order). Not for the program.
void ResetPluginsForTests(const char* folder);
