// Host stand-ins for crypt32 (see crypt32_host.h), on libcrypto.
#include "host/crypt32_host.h"

#include <stdlib.h>
#include <string.h>

#include <openssl/objects.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

namespace {

struct HostMessage {
    BYTE* bytes;
    size_t size;
    PKCS7* decoded;
};

// The context handed out is the first member, so a handle leads back here.
struct HostCertificate {
    CERT_CONTEXT context;
    CERT_INFO info;
    X509* x509;
    CERT_EXTENSION* extensions;
    char* identifiers;
    BYTE* encoded;
};

struct PendingFailure {
    long allowed;
    DWORD lastError;
};
PendingFailure g_failures[kHostCryptCreateContext + 1] = {{-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}};
long g_liveObjects = 0;

bool Injected(HostCryptCall call)
{
    PendingFailure* failure = &g_failures[call];
    if (failure->allowed < 0) return false;
    if (failure->allowed > 0) {
        --failure->allowed;
        return false;
    }
    failure->allowed = -1;
    SetLastError(failure->lastError);
    return true;
}

STACK_OF(X509)* CertificatesOf(const HostMessage* message)
{
    if (message->decoded == nullptr || !PKCS7_type_is_signed(message->decoded) ||
        message->decoded->d.sign == nullptr) {
        return nullptr;
    }
    return message->decoded->d.sign->cert;
}

bool IsSignedData(const HostMessage* message)
{
    return message->decoded != nullptr && PKCS7_type_is_signed(message->decoded) && message->decoded->d.sign != nullptr;
}

// The Windows protocol of variable-size outputs.
BOOL GiveOut(const void* value, DWORD valueSize, void* data, DWORD* size)
{
    if (data == nullptr) {
        *size = valueSize;
        return TRUE;
    }
    if (*size < valueSize) {
        *size = valueSize;
        SetLastError(ERROR_MORE_DATA);
        return FALSE;
    }
    memcpy(data, value, valueSize);
    *size = valueSize;
    return TRUE;
}

}  // namespace

HCRYPTMSG CryptMsgOpenToDecode(DWORD encodingType, DWORD, DWORD, HCRYPTPROV_LEGACY, PCERT_INFO, PCMSG_STREAM_INFO)
{
    if (Injected(kHostCryptOpen)) return nullptr;
    if (!(encodingType & PKCS_7_ASN_ENCODING)) {
        SetLastError(E_INVALIDARG);
        return nullptr;
    }
    HostMessage* message = static_cast<HostMessage*>(calloc(1, sizeof(HostMessage)));
    if (message == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    ++g_liveObjects;
    return message;
}

BOOL CryptMsgUpdate(HCRYPTMSG handle, const BYTE* data, DWORD size, BOOL final)
{
    HostMessage* message = static_cast<HostMessage*>(handle);
    if (Injected(kHostCryptUpdate)) return FALSE;
    if (message == nullptr || message->decoded != nullptr) {
        SetLastError(E_INVALIDARG);
        return FALSE;
    }
    BYTE* grown = static_cast<BYTE*>(realloc(message->bytes, message->size + size + 1));
    if (grown == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    if (size > 0) memcpy(grown + message->size, data, size);
    message->bytes = grown;
    message->size += size;
    if (!final) return TRUE;
    const unsigned char* at = message->bytes;
    message->decoded = d2i_PKCS7(nullptr, &at, static_cast<long>(message->size));
    if (message->decoded == nullptr) {
        SetLastError(CRYPT_E_ASN1_BADTAG);
        return FALSE;
    }
    return TRUE;
}

BOOL CryptMsgGetParam(HCRYPTMSG handle, DWORD parameter, DWORD index, void* data, DWORD* size)
{
    HostMessage* message = static_cast<HostMessage*>(handle);
    if (parameter == CMSG_CERT_COUNT_PARAM) {
        if (Injected(kHostCryptCertCount)) return FALSE;
        if (!IsSignedData(message)) {
            SetLastError(CRYPT_E_INVALID_MSG_TYPE);
            return FALSE;
        }
        STACK_OF(X509)* certificates = CertificatesOf(message);
        DWORD count = certificates ? static_cast<DWORD>(sk_X509_num(certificates)) : 0;
        return GiveOut(&count, sizeof(count), data, size);
    }
    if (parameter == CMSG_CERT_PARAM) {
        if (Injected(data == nullptr ? kHostCryptCertSize : kHostCryptCertFetch)) return FALSE;
        if (!IsSignedData(message)) {
            SetLastError(CRYPT_E_INVALID_MSG_TYPE);
            return FALSE;
        }
        STACK_OF(X509)* certificates = CertificatesOf(message);
        if (certificates == nullptr || index >= static_cast<DWORD>(sk_X509_num(certificates))) {
            SetLastError(CRYPT_E_INVALID_INDEX);
            return FALSE;
        }
        unsigned char* der = nullptr;
        int length = i2d_X509(sk_X509_value(certificates, static_cast<int>(index)), &der);
        if (length <= 0) {
            SetLastError(CRYPT_E_ASN1_BADTAG);
            return FALSE;
        }
        BOOL given = GiveOut(der, static_cast<DWORD>(length), data, size);
        OPENSSL_free(der);
        return given;
    }
    SetLastError(CRYPT_E_INVALID_MSG_TYPE);
    return FALSE;
}

BOOL CryptMsgClose(HCRYPTMSG handle)
{
    HostMessage* message = static_cast<HostMessage*>(handle);
    if (message == nullptr) return TRUE;
    PKCS7_free(message->decoded);
    free(message->bytes);
    free(message);
    --g_liveObjects;
    return TRUE;
}

PCCERT_CONTEXT CertCreateCertificateContext(DWORD encodingType, const BYTE* encoded, DWORD size)
{
    if (Injected(kHostCryptCreateContext)) return nullptr;
    if (!(encodingType & X509_ASN_ENCODING) || encoded == nullptr) {
        SetLastError(E_INVALIDARG);
        return nullptr;
    }
    const unsigned char* at = encoded;
    X509* x509 = d2i_X509(nullptr, &at, static_cast<long>(size));
    if (x509 == nullptr) {
        SetLastError(CRYPT_E_ASN1_BADTAG);
        return nullptr;
    }
    HostCertificate* certificate = static_cast<HostCertificate*>(calloc(1, sizeof(HostCertificate)));
    int count = X509_get_ext_count(x509);
    size_t textBytes = 0;
    for (int i = 0; i < count; ++i) {
        int n = OBJ_obj2txt(nullptr, 0, X509_EXTENSION_get_object(X509_get_ext(x509, i)), 1);
        textBytes += static_cast<size_t>(n > 0 ? n : 0) + 1;
    }
    if (certificate != nullptr) {
        certificate->extensions = static_cast<CERT_EXTENSION*>(calloc(count > 0 ? count : 1, sizeof(CERT_EXTENSION)));
        certificate->identifiers = static_cast<char*>(calloc(textBytes + 1, 1));
        certificate->encoded = static_cast<BYTE*>(malloc(size ? size : 1));
    }
    if (certificate == nullptr || certificate->extensions == nullptr || certificate->identifiers == nullptr ||
        certificate->encoded == nullptr) {
        if (certificate != nullptr) {
            free(certificate->extensions);
            free(certificate->identifiers);
            free(certificate->encoded);
            free(certificate);
        }
        X509_free(x509);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    char* text = certificate->identifiers;
    for (int i = 0; i < count; ++i) {
        X509_EXTENSION* extension = X509_get_ext(x509, i);
        int n = OBJ_obj2txt(text, static_cast<int>(textBytes + 1 - (text - certificate->identifiers)),
                            X509_EXTENSION_get_object(extension), 1);
        CERT_EXTENSION* out = &certificate->extensions[i];
        out->pszObjId = text;
        text += (n > 0 ? n : 0) + 1;
        out->fCritical = X509_EXTENSION_get_critical(extension) ? TRUE : FALSE;
        ASN1_OCTET_STRING* value = X509_EXTENSION_get_data(extension);
        out->Value.cbData = static_cast<DWORD>(ASN1_STRING_length(value));
        out->Value.pbData = const_cast<BYTE*>(ASN1_STRING_get0_data(value));
    }
    memcpy(certificate->encoded, encoded, size);
    certificate->x509 = x509;
    certificate->info.cExtension = static_cast<DWORD>(count);
    certificate->info.rgExtension = certificate->extensions;
    certificate->context.dwCertEncodingType = X509_ASN_ENCODING;
    certificate->context.pbCertEncoded = certificate->encoded;
    certificate->context.cbCertEncoded = size;
    certificate->context.pCertInfo = &certificate->info;
    ++g_liveObjects;
    return &certificate->context;
}

BOOL CertFreeCertificateContext(PCCERT_CONTEXT context)
{
    if (context == nullptr) return TRUE;
    HostCertificate* certificate = reinterpret_cast<HostCertificate*>(const_cast<CERT_CONTEXT*>(context));
    X509_free(certificate->x509);
    free(certificate->extensions);
    free(certificate->identifiers);
    free(certificate->encoded);
    free(certificate);
    --g_liveObjects;
    return TRUE;
}

void HostFailCryptCall(HostCryptCall call, long allowed, DWORD lastError)
{
    g_failures[call].allowed = allowed;
    g_failures[call].lastError = lastError;
}

long HostLiveCryptObjects(void)
{
    return g_liveObjects;
}
