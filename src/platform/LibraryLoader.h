#pragma once
// Loading a shared library by file name and looking its entry points up by
// name. The program talks to the D2XX driver only through this seam, so tests
// can hand it an in-process table of functions instead of a real library.

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace vexmoor::platform {

// Opaque handle of a loaded library; null when loading failed.
using ModuleHandle = void*;
// Any entry point, before it is cast to its real signature.
using EntryPoint = void (*)();

class LibraryLoader {
public:
    virtual ~LibraryLoader() = default;
    // Loads the library; null when it cannot be loaded. A loaded library is
    // never released: it lives as long as the process.
    virtual ModuleHandle Load(const std::string& fileName) = 0;
    // The address of `name` in a loaded library, or null when it has none.
    virtual EntryPoint Lookup(ModuleHandle module, const std::string& name) = 0;
};

// The operating system's own loader: dlopen/dlsym, or LoadLibraryA/GetProcAddress
// on Windows, with the platform's ordinary library search.
class SystemLibraryLoader final : public LibraryLoader {
public:
    ModuleHandle Load(const std::string& fileName) override;
    EntryPoint Lookup(ModuleHandle module, const std::string& name) override;
};

// A "library" that is a table of names to functions in this process. Any name
// may be left out; `present` = false makes Load fail as a missing library does.
class TableLibraryLoader final : public LibraryLoader {
public:
    using Table = std::map<std::string, EntryPoint, std::less<>>;
    explicit TableLibraryLoader(Table table, bool present = true);

    // A table of any range of {name, entry point} pairs.
    template <typename Entries>
    static Table TableOf(const Entries& entries)
    {
        Table table;
        for (const auto& [name, address] : entries) {
            table.emplace(std::string(name), address);
        }
        return table;
    }

    ModuleHandle Load(const std::string& fileName) override;
    EntryPoint Lookup(ModuleHandle module, const std::string& name) override;

    // The file names Load was asked for, in order.
    const std::vector<std::string>& requested() const { return requested_; }

private:
    Table table_;
    bool present_;
    std::vector<std::string> requested_;
};

// File name of the FTDI D2XX driver library on the platform being built for.
constexpr std::string_view D2xxLibraryFileName()
{
#if defined(_WIN32)
    return "Ftd2xx.dll";
#elif defined(__APPLE__)
    return "libftd2xx.dylib";
#else
    return "libftd2xx.so";
#endif
}

} // namespace vexmoor::platform
