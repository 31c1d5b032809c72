#include "TskLibrary.h"

#include <dlfcn.h>

#ifndef SONDREL_TSK_LIBRARY
#error "SONDREL_TSK_LIBRARY names the image reader's shared library (its soname)"
#endif

namespace sondrel::image {

namespace {

    struct Loaded
    {
        TskLibrary Library {};
        std::string Error;
        bool Ok = false;
    };

    template <typename Function>
    bool Resolve(void* handle, const char* name, Function& out, std::string& error)
    {
        out = reinterpret_cast<Function>(::dlsym(handle, name));
        if (out == nullptr && error.empty())
            error = std::string("the image reader ") + SONDREL_TSK_LIBRARY + " lacks " + name;
        return out != nullptr;
    }

    Loaded Load()
    {
        Loaded loaded;
        // Never closed: images opened later keep using it, and it holds caches of its own.
        void* handle = ::dlopen(SONDREL_TSK_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            const char* reason = ::dlerror();
            loaded.Error = std::string("the image reader cannot be loaded: ")
                + (reason != nullptr ? reason : SONDREL_TSK_LIBRARY);
            return loaded;
        }
        TskLibrary& l = loaded.Library;
        std::string& e = loaded.Error;
        loaded.Ok = Resolve(handle, "tsk_error_get", l.ErrorGet, e)
            & Resolve(handle, "tsk_error_reset", l.ErrorReset, e)
            & Resolve(handle, "tsk_img_open_utf8", l.ImageOpen, e)
            & Resolve(handle, "tsk_img_read", l.ImageRead, e)
            & Resolve(handle, "tsk_img_close", l.ImageClose, e)
            & Resolve(handle, "tsk_vs_open", l.TableOpen, e)
            & Resolve(handle, "tsk_vs_part_get", l.TablePart, e)
            & Resolve(handle, "tsk_vs_close", l.TableClose, e);
        return loaded;
    }

} // namespace

const TskLibrary* LoadTsk(std::string& error)
{
    static const Loaded s_loaded = Load();
    if (!s_loaded.Ok) {
        error = s_loaded.Error;
        return nullptr;
    }
    return &s_loaded.Library;
}

} // namespace sondrel::image
