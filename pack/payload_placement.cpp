// Placement names, the signed/unsigned check, and the writer's placements.
#include "pack/payload_placement.h"

#include "writer/extension_placement.h"
#include "writer/image_placement.h"

bool ParsePlacement(const std::string& text, Placement* placement)
{
    if (text == "end") {
        *placement = kPlacementEnd;
    } else if (text == "certificate-table") {
        *placement = kPlacementCertificateTable;
    } else if (text == "certificate-extension") {
        *placement = kPlacementCertificateExtension;
    } else {
        return false;
    }
    return true;
}

const char* PlacementName(Placement placement)
{
    switch (placement) {
    case kPlacementEnd: return "end";
    case kPlacementCertificateTable: return "certificate-table";
    case kPlacementCertificateExtension: return "certificate-extension";
    default: return "default";
    }
}

const char* PlacementDescription(Placement placement)
{
    switch (placement) {
    case kPlacementEnd: return "at the end of the image";
    case kPlacementCertificateTable: return "in the certificate table, behind the signature";
    case kPlacementCertificateExtension: return "in a certificate extension of the signature";
    default: return "";
    }
}

bool ResolvePlacement(Placement asked, const LauncherImage& launcher, const std::string& path, Placement* placement,
                      std::string* error)
{
    if (asked == kPlacementDefault) {
        *placement = launcher.hasCertificateTable ? kPlacementCertificateTable : kPlacementEnd;
        return true;
    }
    if (asked == kPlacementEnd && launcher.hasCertificateTable) {
        *error = path + " is signed (it has a certificate table): the end placement needs an unsigned launcher; use "
                        "--placement certificate-table or certificate-extension";
        return false;
    }
    if (asked != kPlacementEnd && !launcher.hasCertificateTable) {
        *error = path + " is not signed (it has no certificate table): --placement " + PlacementName(asked) +
                 " needs a signed launcher; sign it first or use --placement end";
        return false;
    }
    *placement = asked;
    return true;
}

bool PlaceChain(Placement placement, const Bytes& launcher, const Bytes& chain, const SigningKey& key, Bytes* out,
                std::string* error)
{
    switch (placement) {
    case kPlacementEnd: return AppendChainToImage(launcher, chain, out, error);
    case kPlacementCertificateTable: return AppendChainToCertificateTable(launcher, chain, out, error);
    case kPlacementCertificateExtension: return PlaceChainInCertificateExtension(launcher, chain, key, out, error);
    default: *error = "no placement chosen"; return false;
    }
}
