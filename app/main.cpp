// Entry routine of Kelvora: everything happens in RunKelvora (app/startup).
#include <windows.h>

#include "app/startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand)
{
    return RunKelvora(instance, commandLine, showCommand);
}
