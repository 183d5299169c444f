#include "system/shell_objects.h"

#include "system/system_function.h"

ShellObjects shellObjects;

// The class id is spelled out here: mingw's uuid library would bring its
// whole table of ids into the exe for this one.
static const CLSID kShellLinkClass = {0x00021401, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

static bool StartShellObjects()
{
    if (!shellObjects.tried) {
        shellObjects.tried = true;
        auto initialize = LoadSystemFunctionAs<decltype(&CoInitializeEx)>("ole32.dll", "CoInitializeEx");
        shellObjects.createInstance =
            LoadSystemFunctionAs<decltype(&CoCreateInstance)>("ole32.dll", "CoCreateInstance");
        shellObjects.freeTaskMemory = LoadSystemFunctionAs<decltype(&CoTaskMemFree)>("ole32.dll", "CoTaskMemFree");
        // S_FALSE says that COM was already started in this thread, which is as good.
        shellObjects.started = initialize && shellObjects.createInstance &&
                               SUCCEEDED(initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
    }
    return shellObjects.started;
}

bool NewShellLink(IShellLinkW** link, IPersistFile** file)
{
    *link = nullptr;
    *file = nullptr;
    if (!StartShellObjects()) return false;
    if (FAILED(shellObjects.createInstance(kShellLinkClass, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IShellLinkW),
                                           reinterpret_cast<void**>(link)))) {
        *link = nullptr;
        return false;
    }
    if (FAILED((*link)->QueryInterface(__uuidof(IPersistFile), reinterpret_cast<void**>(file)))) {
        (*link)->Release();
        *link = nullptr;
        *file = nullptr;
        return false;
    }
    return true;
}

void FreeTaskMemory(void* block)
{
    if (block && StartShellObjects() && shellObjects.freeTaskMemory) shellObjects.freeTaskMemory(block);
}
