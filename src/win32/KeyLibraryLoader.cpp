#include "win32/KeyLibraryLoader.h"

IKeyLibrary* KeyLibraryLoader::Get() {
    std::lock_guard<std::mutex> l(m_);
    if (library_) return library_.get();
    // Altered search path: the library's own folder serves its dependencies.
    UniqueLibrary module(LoadLibraryExA(path_.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!module) return nullptr;
    KeyFunctions functions;
    const HMODULE h = module.Get();
    const bool complete = functions.Resolve([h](int ordinal) {
        return reinterpret_cast<void*>(GetProcAddress(h, MAKEINTRESOURCEA(ordinal)));
    });
    if (!complete) return nullptr;
    module_ = std::move(module);
    library_.reset(new KeyFunctionLibrary(functions));
    return library_.get();
}
