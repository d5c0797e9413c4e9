// The certificate walk: the PE checks that find the certificate table, then
// the PKCS#7 decoder over its first entry, every certificate and every
// extension in order.  One clean-up path closes the decoder and releases the
// certificate held when a step fails.
#include "payload/certificate_sources.h"

#include <string.h>

#include "launcher/launcher_state.h"
#include "payload/crypt32_library.h"
#include "payload/little_endian.h"
#include "payload/payload_record.h"

namespace {

const DWORD kPeHeadersSize = 248;           // signature, file header, PE32 optional header
const DWORD kOptionalMagicAt = 24;          // from the PE signature
const DWORD kSecurityDirectoryAt = 152;     // data directory 4: file offset, size
const DWORD kCertificateHeaderSize = 8;     // dwLength, wRevision, wCertificateType
const WORD kPe32Magic = 0x10B;
const DWORD kPeSignature = 0x00004550;      // "PE\0\0"

// Copies the extension's value into a new source, reads its manifest and
// appends it to the list.
StatusPair TakeExtensionSource(LauncherState* state, const BYTE* value, DWORD valueSize)
{
    PayloadSource source;
    ZeroMemory(&source, sizeof(source));
    source.flags = kPayloadCompressed | kPayloadSigned;
    source.rawSize = valueSize;
    source.rawBytes = static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, valueSize));
    if (source.rawBytes == nullptr) return MakeStatus(GetLastError, ERROR_NOT_ENOUGH_MEMORY, 907);
    if (valueSize > 0) memcpy(source.rawBytes, value, valueSize);

    StatusPair status = ReadPayloadRecord(&source, &ManifestRecord, 0, &source.manifest, &source.manifestSize);
    if (status.code != 0) {
        LocalFree(source.rawBytes);
        return status;
    }
    if (!AppendPayloadSource(state, &source)) {
        status = MakeStatus(GetLastError, ERROR_NOT_ENOUGH_MEMORY, 892);
        LocalFree(source.rawBytes);
        LocalFree(source.manifest);
    }
    return status;
}

}  // namespace

bool FindCertificateTableContent(const BYTE* image, DWORD imageSize, const BYTE** content, DWORD* contentSize)
{
    if (imageSize < 64 || image[0] != 'M' || image[1] != 'Z') return false;
    const DWORD headers = ReadU32Le(image + 60);
    if (imageSize < kPeHeadersSize || headers > imageSize - kPeHeadersSize) return false;
    if (ReadU32Le(image + headers) != kPeSignature) return false;
    if (ReadU16Le(image + headers + kOptionalMagicAt) != kPe32Magic) return false;
    const DWORD offset = ReadU32Le(image + headers + kSecurityDirectoryAt);
    const DWORD size = ReadU32Le(image + headers + kSecurityDirectoryAt + 4);
    if (size < kCertificateHeaderSize || offset > imageSize || size > imageSize - offset) return false;
    // The entry's own length must fit its header and stay inside the
    // directory; an entry that does not is taken as no certificate table.
    const DWORD entryLength = ReadU32Le(image + offset);
    if (entryLength < kCertificateHeaderSize || entryLength > size) return false;
    *content = image + offset + kCertificateHeaderSize;
    *contentSize = entryLength - kCertificateHeaderSize;
    return true;
}

StatusPair FindCertificateSources(LauncherState* state, const BYTE* image, DWORD imageSize)
{
    StatusPair status = MakeStatus(nullptr, 0, 789);
    const BYTE* content = nullptr;
    DWORD contentSize = 0;
    if (!FindCertificateTableContent(image, imageSize, &content, &contentSize)) return status;

    const Crypt32Library* crypt = GetCrypt32Library();
    HCRYPTMSG message = nullptr;
    BYTE* certificate = nullptr;
    PCCERT_CONTEXT context = nullptr;
    DWORD count = 0;
    DWORD countSize = sizeof(count);
    if (crypt == nullptr) {
        status = MakeStatus(GetLastError, static_cast<DWORD>(E_INVALIDARG), 831);
        goto done;
    }
    message = crypt->msgOpenToDecode(PKCS_7_ASN_ENCODING, 0, 0, 0, nullptr, nullptr);
    if (message == nullptr) {
        status = MakeStatus(GetLastError, static_cast<DWORD>(E_INVALIDARG), 831);
        goto done;
    }
    if (!crypt->msgUpdate(message, content, contentSize, TRUE)) {
        status = MakeStatus(GetLastError, static_cast<DWORD>(E_INVALIDARG), 837);
        goto done;
    }
    if (!crypt->msgGetParam(message, CMSG_CERT_COUNT_PARAM, 0, &count, &countSize)) {
        status = MakeStatus(GetLastError, static_cast<DWORD>(E_INVALIDARG), 846);
        goto done;
    }
    for (DWORD index = 0; index < count && status.code == 0; ++index) {
        DWORD size = 0;
        if (!crypt->msgGetParam(message, CMSG_CERT_PARAM, index, nullptr, &size)) {
            status = MakeStatus(GetLastError, static_cast<DWORD>(E_INVALIDARG), 937);
            break;
        }
        certificate = static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, size));
        if (certificate == nullptr) {
            status = MakeStatus(GetLastError, ERROR_NOT_ENOUGH_MEMORY, 932);
            break;
        }
        if (!crypt->msgGetParam(message, CMSG_CERT_PARAM, index, certificate, &size)) {
            status = MakeStatus(GetLastError, static_cast<DWORD>(E_INVALIDARG), 924);
            break;
        }
        context = crypt->createCertificateContext(X509_ASN_ENCODING, certificate, size);
        if (context == nullptr) {
            status = MakeStatus(GetLastError, static_cast<DWORD>(E_INVALIDARG), 919);
            break;
        }
        const CERT_INFO* info = context->pCertInfo;
        for (DWORD e = 0; e < info->cExtension && status.code == 0; ++e) {
            const CERT_EXTENSION* extension = &info->rgExtension[e];
            if (extension->fCritical || extension->pszObjId == nullptr) continue;
            if (strcmp(extension->pszObjId, PAYLOAD_CERT_EXTENSION_OID) != 0) continue;
            status = TakeExtensionSource(state, extension->Value.pbData, extension->Value.cbData);
        }
        crypt->freeCertificateContext(context);
        context = nullptr;
        LocalFree(certificate);
        certificate = nullptr;
    }

done:
    if (context != nullptr) crypt->freeCertificateContext(context);
    LocalFree(certificate);
    if (message != nullptr) crypt->msgClose(message);
    return status;
}
