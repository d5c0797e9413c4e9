// The cryptographic-message and certificate functions of the certificate
// walk.  crypt32.dll is not one of the system's known DLLs, so the launcher
// does not import it: the library is loaded from the system folder at first
// use and its functions looked up.  Host builds get the stand-ins of
// host/crypt32_host.h.
#ifndef MSILAUNCH_PAYLOAD_CRYPT32_LIBRARY_H
#define MSILAUNCH_PAYLOAD_CRYPT32_LIBRARY_H

#include "launcher/platform.h"

#ifdef _WIN32
#include <wincrypt.h>
#else
#include "host/crypt32_host.h"
#endif

struct Crypt32Library {
    HCRYPTMSG(WINAPI* msgOpenToDecode)(DWORD, DWORD, DWORD, HCRYPTPROV_LEGACY, PCERT_INFO, PCMSG_STREAM_INFO);
    BOOL(WINAPI* msgUpdate)(HCRYPTMSG, const BYTE*, DWORD, BOOL);
    BOOL(WINAPI* msgGetParam)(HCRYPTMSG, DWORD, DWORD, void*, DWORD*);
    BOOL(WINAPI* msgClose)(HCRYPTMSG);
    PCCERT_CONTEXT(WINAPI* createCertificateContext)(DWORD, const BYTE*, DWORD);
    BOOL(WINAPI* freeCertificateContext)(PCCERT_CONTEXT);
};

// The functions, or null with the last error set when the library or one of
// them is missing.  The library stays loaded for the rest of the process.
const Crypt32Library* GetCrypt32Library(void);

#endif
