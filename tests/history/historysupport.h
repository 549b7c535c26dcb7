// Shared by the history and recent tests: settings under a key of their own, the libraries' data
// folder in a fresh temporary folder, the real libraries beside the test.
#pragma once
#include <windows.h>

#include <string>

#include "config/scratchkey.h"
#include "config/settings.h"
#include "formats/plugins.h"
#include "support/testsupport.h"

struct HistoryScope {
    ScratchKey key;
    std::string oldKey = GetSettingsKeyPath();
    std::string data = MakeTempFolder("kvdata");
    explicit HistoryScope(const char* libraryFolder = nullptr)
    {
        key.Create(HKEY_CURRENT_USER);
        SetSettingsKeyPath(key.path());
        ResetSettings();
        SetEnvironmentVariableA("KELVORA_DATA_DIR", data.c_str());
        ResetPluginsForTests(libraryFolder ? libraryFolder : TestProgramFolder().c_str());
    }
    ~HistoryScope()
    {
        ResetPluginsForTests(nullptr);
        SetEnvironmentVariableA("KELVORA_DATA_DIR", nullptr);
        SetSettingsKeyPath(oldKey.c_str());
        ResetSettings();
        RemoveFolderTree(data);
    }
    std::string File(const char* name) const { return data + "\\" + name; }
};

inline std::string FixtureFile(const char* name)
{
    return UnixToWindowsPath(std::string(KELVORA_HISTORY_FIXTURES_DIR) + "/" + name);
}
