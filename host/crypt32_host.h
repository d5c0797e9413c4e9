// Host stand-ins for the crypt32 calls of the payload's certificate walk, made
// with libcrypto's PKCS#7 and X.509 parsers: a decoded message gives the same
// certificates in the same order, and a certificate context the same
// extensions (dotted identifier, critical flag, value bytes) as on Windows.
// Only the parts of the Windows records that the launcher reads are declared.
// Tests can make one chosen call fail with a chosen last error.
#ifndef MSILAUNCH_HOST_CRYPT32_HOST_H
#define MSILAUNCH_HOST_CRYPT32_HOST_H

#include "host/win32_host.h"

typedef void* HCRYPTMSG;
typedef uintptr_t HCRYPTPROV_LEGACY;
typedef void* HCERTSTORE;
struct CMSG_STREAM_INFO;
typedef CMSG_STREAM_INFO* PCMSG_STREAM_INFO;

#define PKCS_7_ASN_ENCODING 0x00010000u
#define X509_ASN_ENCODING 0x00000001u
#define CMSG_CERT_COUNT_PARAM 11u
#define CMSG_CERT_PARAM 12u
#define CRYPT_E_INVALID_MSG_TYPE 0x80091004u
#define CRYPT_E_INVALID_INDEX 0x80091008u
#define CRYPT_E_ASN1_BADTAG 0x8009310Bu

struct CRYPT_OBJID_BLOB {
    DWORD cbData;
    BYTE* pbData;
};

struct CERT_EXTENSION {
    LPSTR pszObjId;
    BOOL fCritical;
    CRYPT_OBJID_BLOB Value;
};

// Of CERT_INFO only the extensions.
struct CERT_INFO {
    DWORD cExtension;
    CERT_EXTENSION* rgExtension;
};
typedef CERT_INFO* PCERT_INFO;

struct CERT_CONTEXT {
    DWORD dwCertEncodingType;
    BYTE* pbCertEncoded;
    DWORD cbCertEncoded;
    PCERT_INFO pCertInfo;
    HCERTSTORE hCertStore;
};
typedef const CERT_CONTEXT* PCCERT_CONTEXT;

HCRYPTMSG CryptMsgOpenToDecode(DWORD encodingType, DWORD flags, DWORD messageType, HCRYPTPROV_LEGACY provider,
                               PCERT_INFO recipient, PCMSG_STREAM_INFO streamInfo);
// Collects the bytes; the final update decodes the first DER object of them
// (what follows it is ignored).  Not a PKCS#7 message: CRYPT_E_ASN1_BADTAG.
BOOL CryptMsgUpdate(HCRYPTMSG message, const BYTE* data, DWORD size, BOOL final);
// CMSG_CERT_COUNT_PARAM (a DWORD) and CMSG_CERT_PARAM (the DER of certificate
// `index`); a null buffer asks for the size, a short one fails with
// ERROR_MORE_DATA.  A message that is not SignedData: CRYPT_E_INVALID_MSG_TYPE.
BOOL CryptMsgGetParam(HCRYPTMSG message, DWORD parameter, DWORD index, void* data, DWORD* size);
BOOL CryptMsgClose(HCRYPTMSG message);
PCCERT_CONTEXT CertCreateCertificateContext(DWORD encodingType, const BYTE* encoded, DWORD size);
BOOL CertFreeCertificateContext(PCCERT_CONTEXT context);

// Test controls: the call of kind `call` after `allowed` more successful ones
// fails with `lastError`; a negative `allowed` cancels a failure still pending.
enum HostCryptCall {
    kHostCryptOpen,
    kHostCryptUpdate,
    kHostCryptCertCount,
    kHostCryptCertSize,   // CMSG_CERT_PARAM with a null buffer
    kHostCryptCertFetch,  // CMSG_CERT_PARAM with a buffer
    kHostCryptCreateContext,
};
void HostFailCryptCall(HostCryptCall call, long allowed, DWORD lastError);
// Messages and certificate contexts currently open.
long HostLiveCryptObjects(void);

#endif
