// Hand-given fields first, the database for the rest.
#include "pack/package_inputs.h"

#include "pack/manifest_fields.h"
#include "pack/msi_metadata.h"

namespace {

bool IsSeparator(char c)
{
#ifdef _WIN32
    return c == '/' || c == '\\';
#else
    return c == '/';
#endif
}

}  // namespace

std::string FolderOf(const std::string& path)
{
    for (size_t i = path.size(); i > 0; --i) {
        if (IsSeparator(path[i - 1])) return path.substr(0, i);
    }
    return std::string();
}

std::string FileNameOf(const std::string& path)
{
    return path.substr(FolderOf(path).size());
}

bool ResolvePackageMsi(const MsiInput& input, PackageMsi* msi, std::string* error)
{
    MsiMetadata metadata;
    const bool needDatabase = !input.architecture || !input.languages || !input.productCode || !input.productName ||
                              !input.cabsGiven;
    if (needDatabase && !ReadMsiMetadata(input.path, &metadata, error)) return false;

    *msi = PackageMsi();
    msi->path = input.path;
    const std::string of = " of " + input.path;

    if (input.architecture) {
        if (!ParseArchitecture("architecture" + of, *input.architecture, &msi->architecture, error)) return false;
    } else if (!ParseArchitecture("platform in the Template" + of + " (give --arch)", metadata.templatePlatform,
                                  &msi->architecture, error)) {
        return false;
    }

    if (input.languages) {
        if (!ParseLanguageList("language list" + of, *input.languages, &msi->languages, error)) return false;
    } else if (!ParseLanguageList("language list in the Template" + of + " (give --languages)",
                                  metadata.templateLanguages, &msi->languages, error)) {
        return false;
    }

    msi->productCode = input.productCode ? *input.productCode : metadata.productCode;
    if (msi->productCode.empty()) {
        *error = input.path + " has no ProductCode in its Property table (give --product-code)";
        return false;
    }
    msi->productName = input.productName ? *input.productName : metadata.productName;
    if (msi->productName.empty()) {
        *error = input.path + " has no ProductName in its Property table (give --product-name)";
        return false;
    }

    if (input.cabsGiven) {
        msi->cabs = input.cabs;
    } else {
        if (metadata.hasUncompressedMedia) {
            *error = input.path + " has a Media row without a cabinet (uncompressed source files), which the "
                     "launcher cannot carry (give its CABs with --cab, or --no-cabs)";
            return false;
        }
        const std::string folder = FolderOf(input.path);
        for (const std::string& cabinet : metadata.externalCabinets) {
            msi->cabs.push_back({cabinet, folder + cabinet});
        }
    }
    return true;
}
