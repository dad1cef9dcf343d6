#include "platform/LibraryLoader.h"

#include <utility>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace vexmoor::platform {

#if defined(_WIN32)

ModuleHandle SystemLibraryLoader::Load(const std::string& fileName)
{
    return reinterpret_cast<ModuleHandle>(::LoadLibraryA(fileName.c_str()));
}

EntryPoint SystemLibraryLoader::Lookup(ModuleHandle module, const std::string& name)
{
    if (module == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<EntryPoint>(
        ::GetProcAddress(static_cast<HMODULE>(module), name.c_str()));
}

#else

ModuleHandle SystemLibraryLoader::Load(const std::string& fileName)
{
    // RTLD_NOW: a library whose own dependencies are missing fails here, where
    // the program reports it, instead of on the first call.
    return ::dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
}

EntryPoint SystemLibraryLoader::Lookup(ModuleHandle module, const std::string& name)
{
    if (module == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<EntryPoint>(::dlsym(module, name.c_str()));
}

#endif

TableLibraryLoader::TableLibraryLoader(Table table, bool present)
    : table_(std::move(table)), present_(present)
{
}

ModuleHandle TableLibraryLoader::Load(const std::string& fileName)
{
    requested_.push_back(fileName);
    return present_ ? static_cast<ModuleHandle>(this) : nullptr;
}

EntryPoint TableLibraryLoader::Lookup(ModuleHandle module, const std::string& name)
{
    if (module != static_cast<ModuleHandle>(this)) {
        return nullptr;
    }
    const auto found = table_.find(name);
    return found == table_.end() ? nullptr : found->second;
}

} // namespace vexmoor::platform
