#include "formats/plugins.h"

#include <atomic>
#include <cstdio>
#include <mutex>

#include "config/settings.h"
#include "model/strutil.h"

namespace {

const char* const kFileNames[PLUGIN_COUNT] = {"tar.dll", "unrar.dll", "iso.dll", "xml.dll", "rm.dll", "history.dll"};

struct PluginState {
    std::atomic<int> probe{-1};          // -1 unknown, 0 absent, 1 present
    std::atomic<HMODULE> module{nullptr};
};

PluginState gPlugins[PLUGIN_COUNT];
std::mutex gLoadLock;                     // two first users never load one library twice
char gTestFolder[260];

int ValidId(int id) { return id >= 0 && id < PLUGIN_COUNT; }

HMODULE LoadByName(int id)
{
    if (gTestFolder[0]) {
        char path[520];
        snprintf(path, sizeof path, "%s\\%s", gTestFolder, kFileNames[id]);
        return LoadLibraryA(path);
    }
    return LoadLibraryA(kFileNames[id]);
}

}  // namespace

const char* PluginFileName(int id) { return ValidId(id) ? kFileNames[id] : ""; }

int ProbePlugin(int id)
{
    if (!ValidId(id)) return 0;
    int known = gPlugins[id].probe.load();
    if (known >= 0) return known;
    std::lock_guard<std::mutex> hold(gLoadLock);
    known = gPlugins[id].probe.load();
    if (known >= 0) return known;
    HMODULE module = gPlugins[id].module.load();
    if (!module) {
        module = LoadByName(id);
        if (module && id == PLUGIN_XML) {
            gPlugins[id].module.store(module);
        } else if (module) {
            FreeLibrary(module);
        }
    }
    gPlugins[id].probe.store(module ? 1 : 0);
    return module ? 1 : 0;
}

int LoadPlugin(int id)
{
    if (!ValidId(id)) return 0;
    if (gPlugins[id].module.load()) return 1;
    if (id == PLUGIN_RM && IsSaveRecentAdvanced() == 0) return 0;
    std::lock_guard<std::mutex> hold(gLoadLock);
    if (gPlugins[id].module.load()) return 1;
    if (id == PLUGIN_ISO) printf("loading iso lib");
    HMODULE module = LoadByName(id);
    if (!module) {
        printf("could not find \"%s\"\n", kFileNames[id]);
        fflush(stdout);
        return 0;
    }
    gPlugins[id].module.store(module);
    return 1;
}

HMODULE PluginModule(int id) { return ValidId(id) ? gPlugins[id].module.load() : nullptr; }

int IsPluginLoaded(int id) { return PluginModule(id) != nullptr; }

FARPROC PluginExport(int id, const char* name)
{
    HMODULE module = PluginModule(id);
    if (!module || !name) return nullptr;
    return GetProcAddress(module, name);
}

void UnloadPlugin(int id)
{
    if (!ValidId(id)) return;
    std::lock_guard<std::mutex> hold(gLoadLock);
    HMODULE module = gPlugins[id].module.exchange(nullptr);
    if (module) FreeLibrary(module);
}

void ResetPluginsForTests(const char* folder)
{
    std::lock_guard<std::mutex> hold(gLoadLock);
    for (PluginState& state : gPlugins) {
        HMODULE module = state.module.exchange(nullptr);
        if (module) FreeLibrary(module);
        state.probe.store(-1);
    }
    CopyBounded(gTestFolder, sizeof gTestFolder, folder ? folder : "");
}
