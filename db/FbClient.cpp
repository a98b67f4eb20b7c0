#include "FbClient.h"

#include "Exceptions.h"

#include <dlfcn.h>

#include <cerrno>
#include <map>
#include <memory>
#include <mutex>

#ifndef DWINDLE_FBCLIENT_DEFAULT
#define DWINDLE_FBCLIENT_DEFAULT "libfbclient.so.2"
#endif

namespace dwindle {

const std::string& defaultClientLibrary()
{
    static const std::string name = DWINDLE_FBCLIENT_DEFAULT;
    return name;
}

namespace {

// dlsym into a typed pointer; the conversion from void* is what POSIX
// promises to work for functions.
template <typename Fn>
void resolve(void* library, const FbClient& table, Fn& slot, const char* symbol)
{
    dlerror();
    void* address = dlsym(library, symbol);
    if (!address) {
        const char* reason = dlerror();
        std::string text = reason ? reason : (table.fileName + ": undefined symbol: " + symbol);
        // There is no errno for a missing symbol; ENOSYS ("Function not
        // implemented") is the honest system code for a procedure not found.
        throw EOSError("System Error.  Code: " + std::to_string(ENOSYS) + ".\r\n" + text, ENOSYS);
    }
    slot = reinterpret_cast<Fn>(address);
}

} // namespace

const FbClient& loadFbClient(const std::string& fileName)
{
    static std::mutex mutex;
    static std::map<std::string, std::unique_ptr<FbClient>> loaded;

    std::lock_guard lock(mutex);
    if (auto it = loaded.find(fileName); it != loaded.end())
        return *it->second;

    void* library = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library)
        throw EIBClientError("InterBase library " + fileName +
                             " not found in the path. Please install InterBase to use this functionality");

    auto table = std::make_unique<FbClient>();
    table->fileName = fileName;
    try {
#define DWINDLE_FB_RESOLVE(fn) resolve(library, *table, table->fn, #fn);
        DWINDLE_FB_ENTRIES(DWINDLE_FB_RESOLVE)
#undef DWINDLE_FB_RESOLVE
    } catch (...) {
        dlclose(library);
        throw;
    }
    // Kept open for the life of the process: handles made by the library stay
    // valid until the very end, after every component has let go of them.
    return *loaded.emplace(fileName, std::move(table)).first->second;
}

} // namespace dwindle
