#include "engine/ThreadName.h"

#include <windows.h>

#include <string>

namespace zarava {

void NameThisThread(const char* name) {
    // Looked up rather than linked: Windows before 10 (1607) has no thread names.
    using SetDescription = HRESULT(WINAPI*)(HANDLE, PCWSTR);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto set = kernel ? reinterpret_cast<SetDescription>(reinterpret_cast<void*>(
                                  GetProcAddress(kernel, "SetThreadDescription")))
                            : nullptr;
    if (set != nullptr) {
        const std::string ascii(name);
        set(GetCurrentThread(), std::wstring(ascii.begin(), ascii.end()).c_str());
    }
}

} // namespace zarava
