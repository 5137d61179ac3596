#pragma once
#include <mutex>
#include <memory>
#include <string>

#include "key/KeyFunctions.h"
#include "win32/Handles.h"

// Loads the key library from one absolute path, never by search order, and
// resolves its operations by ordinal. A library that is missing or lacks an
// operation is not used; the next request tries again.
class KeyLibraryLoader : public IKeyLibrarySource {
public:
    explicit KeyLibraryLoader(std::string fullPath) : path_(std::move(fullPath)) {}
    IKeyLibrary* Get() override;

private:
    std::string path_;
    std::mutex m_;
    UniqueLibrary module_;
    std::unique_ptr<KeyFunctionLibrary> library_;
};
