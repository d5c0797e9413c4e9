// Payload in the launcher's Authenticode signature: every non-critical
// extension with PAYLOAD_CERT_EXTENSION_OID, on any certificate of the PKCS#7
// SignedData in the image's certificate table, carries one record chain as its
// value.  FindCertificateSources appends a source for each of them.
#ifndef MSILAUNCH_PAYLOAD_CERTIFICATE_SOURCES_H
#define MSILAUNCH_PAYLOAD_CERTIFICATE_SOURCES_H

#include "launcher/platform.h"
#include "launcher/status.h"

struct LauncherState;

const char PAYLOAD_CERT_EXTENSION_OID[] =
    "1.2.840.113556.1.8000.2554.2951.50896.53846.17503.37240.13145692.12219546";

// The content of the image's first certificate table entry (the dwLength - 8
// bytes after its 8-byte header), when the image is a PE32 file whose security
// directory and entry lie inside it; false otherwise.
bool FindCertificateTableContent(const BYTE* image, DWORD imageSize, const BYTE** content, DWORD* contentSize);

// (0, 789) with no source when the image has no certificate table; (0, 547)
// after the last source appended; else the failure that ended the walk: the
// decoder cannot be opened (last error or E_INVALIDARG, 831), the entry is no
// PKCS#7 message (837), no certificate count (846), no certificate size (937),
// no memory for a certificate (last error or 8, 932), no certificate (924), a
// certificate that cannot be parsed (919), no memory for an extension's value
// (last error or 8, 907), a value without a readable manifest (the record
// reader's status), or a list that cannot grow (last error or 8, 892).
// Sources appended before a failure stay in the list.
StatusPair FindCertificateSources(LauncherState* state, const BYTE* image, DWORD imageSize);

#endif
