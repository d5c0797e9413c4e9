// Where build puts the chain in the launcher image, and the check that the
// placement fits the launcher: an unsigned launcher takes the chain at its
// end; a signed one inside its certificate table behind the signature, or
// as a certificate extension of an extra certificate in its signature's
// certificate set (signed with the payload key, the same bytes each build).
// The placing itself is the payload writer's.
#ifndef MSILAUNCH_PACK_PAYLOAD_PLACEMENT_H
#define MSILAUNCH_PACK_PAYLOAD_PLACEMENT_H

#include <string>

#include "pack/launcher_image.h"
#include "writer/bytes.h"
#include "writer/signing_key.h"

enum Placement {
    kPlacementDefault,               // end for an unsigned launcher, certificate-table for a signed one
    kPlacementEnd,                   // "end"
    kPlacementCertificateTable,      // "certificate-table"
    kPlacementCertificateExtension,  // "certificate-extension"
};

bool ParsePlacement(const std::string& text, Placement* placement);
const char* PlacementName(Placement placement);
// What the setup program's payload location is called in messages.
const char* PlacementDescription(Placement placement);

// The placement to use: the default resolved, and an error naming the file
// when a signed launcher is given to the end placement or an unsigned one to
// a certificate placement.
bool ResolvePlacement(Placement asked, const LauncherImage& launcher, const std::string& path, Placement* placement,
                      std::string* error);

// The launcher image with the chain placed in it; key (the payload key) signs
// the extra certificate of the certificate-extension placement.
bool PlaceChain(Placement placement, const Bytes& launcher, const Bytes& chain, const SigningKey& key, Bytes* out,
                std::string* error);

#endif
