// Finding the crypt32 functions: from crypt32.dll in the system folder on
// Windows, the host stand-ins elsewhere.
#include "payload/crypt32_library.h"

#ifdef _WIN32
#include "launcher/system_library.h"

namespace {

Crypt32Library g_library;
bool g_loaded = false;

template <typename Function>
bool Find(HMODULE module, const char* name, Function* function)
{
    *function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return *function != nullptr;
}

}  // namespace

const Crypt32Library* GetCrypt32Library(void)
{
    if (g_loaded) return &g_library;
    HMODULE module = LoadSystemLibrary("crypt32.dll");
    if (module == nullptr) return nullptr;
    Crypt32Library library;
    if (!Find(module, "CryptMsgOpenToDecode", &library.msgOpenToDecode) ||
        !Find(module, "CryptMsgUpdate", &library.msgUpdate) ||
        !Find(module, "CryptMsgGetParam", &library.msgGetParam) ||
        !Find(module, "CryptMsgClose", &library.msgClose) ||
        !Find(module, "CertCreateCertificateContext", &library.createCertificateContext) ||
        !Find(module, "CertFreeCertificateContext", &library.freeCertificateContext)) {
        return nullptr;
    }
    g_library = library;
    g_loaded = true;
    return &g_library;
}

#else

const Crypt32Library* GetCrypt32Library(void)
{
    static const Crypt32Library library = {CryptMsgOpenToDecode,         CryptMsgUpdate, CryptMsgGetParam,
                                           CryptMsgClose, CertCreateCertificateContext, CertFreeCertificateContext};
    return &library;
}

#endif
