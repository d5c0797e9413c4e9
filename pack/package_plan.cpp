// Ids, lines and the CAB sharing of a package.
#include "pack/package_plan.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include "pack/manifest_fields.h"

namespace {

// Size of a regular file, or false with the reason.
bool ItemSize(const std::string& path, const std::string& role, uint64_t* size, std::string* error)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        *error = "cannot open " + role + " " + path + ": " + strerror(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        *error = role + " " + path + " is not a file";
        return false;
    }
    *size = static_cast<uint64_t>(info.st_size);
    if (*size > kMaxItemBytes) {
        *error = role + " " + path + " is " + std::to_string(*size) +
                 " bytes; a payload item holds at most 4294967295 bytes (32-bit sizes)";
        return false;
    }
    return true;
}

// Whether two files of equal size hold the same bytes.
bool SameContent(const std::string& a, const std::string& b, bool* same, std::string* error)
{
    FILE* fa = fopen(a.c_str(), "rb");
    FILE* fb = fa != nullptr ? fopen(b.c_str(), "rb") : nullptr;
    if (fa == nullptr || fb == nullptr) {
        *error = "cannot open " + std::string(fa == nullptr ? a : b) + ": " + strerror(errno);
        if (fa != nullptr) fclose(fa);
        return false;
    }
    static char bufferA[1 << 16], bufferB[1 << 16];
    *same = true;
    for (;;) {
        size_t na = fread(bufferA, 1, sizeof(bufferA), fa);
        size_t nb = fread(bufferB, 1, sizeof(bufferB), fb);
        if (na != nb || memcmp(bufferA, bufferB, na) != 0) {
            *same = false;
            break;
        }
        if (na == 0) break;
    }
    bool failed = ferror(fa) || ferror(fb);
    fclose(fa);
    fclose(fb);
    if (failed) *error = "cannot read " + a + " or " + b;
    return !failed;
}

struct PlannedCab {
    CabSource source;
    uint64_t size;
    std::vector<uint32_t> msiIds;
};

bool CheckMsiFields(const PackageMsi& msi, std::string* error)
{
    const std::string of = " of " + msi.path;
    if (msi.architecture != "x64" && msi.architecture != "Intel") {
        *error = "the architecture" + of + " is \"" + msi.architecture + "\"; the launcher knows \"x64\" and \"Intel\" only";
        return false;
    }
    if (msi.languages.empty()) {
        *error = msi.path + " names no language";
        return false;
    }
    return CheckManifestField("language list" + of, JoinNumbers(msi.languages), error) &&
           CheckManifestField("product code" + of, msi.productCode, error) &&
           CheckManifestField("product name" + of, msi.productName, error);
}

// Two MSIs of one architecture that share a language identifier: the walk
// always stops at the earlier one for that language.
bool CheckLanguageConflicts(const std::vector<PackageMsi>& msis, std::string* error)
{
    for (size_t i = 0; i < msis.size(); ++i) {
        for (size_t j = i + 1; j < msis.size(); ++j) {
            if (msis[i].architecture != msis[j].architecture) continue;
            for (uint32_t a : msis[i].languages) {
                for (uint32_t b : msis[j].languages) {
                    if ((a & 0xFFFF) != (b & 0xFFFF)) continue;
                    *error = msis[i].path + " and " + msis[j].path + " are both " + msis[i].architecture +
                             " packages for language " + std::to_string(b) + "; the launcher would always choose " +
                             msis[i].path + " for it";
                    return false;
                }
            }
        }
    }
    return true;
}

}  // namespace

bool PlanPackage(const std::vector<PackageMsi>& msis, PackagePlan* plan, std::string* error)
{
    if (msis.empty()) {
        *error = "no MSI given";
        return false;
    }
    PackagePlan out;
    std::vector<PlannedCab> cabs;
    for (size_t m = 0; m < msis.size(); ++m) {
        const PackageMsi& msi = msis[m];
        const uint32_t msiId = kFirstEntryId + static_cast<uint32_t>(m);
        if (!CheckMsiFields(msi, error)) return false;
        uint64_t size = 0;
        if (!ItemSize(msi.path, "MSI", &size, error)) return false;
        out.items.push_back({msiId, msi.path, size});
        out.lines.push_back({msiId, msi.architecture + "\\" + JoinNumbers(msi.languages) + "\\" + msi.productCode +
                                        "\\" + msi.productName});

        std::vector<size_t> used;  // indexes into cabs, for the name clash check
        for (const CabSource& cab : msi.cabs) {
            if (!CheckCabFileName("CAB name \"" + cab.name + "\" of " + msi.path, cab.name, error)) return false;
            uint64_t cabSize = 0;
            if (!ItemSize(cab.path, "CAB " + cab.name + " of " + msi.path + ":", &cabSize, error)) return false;
            size_t index = cabs.size();
            for (size_t k = 0; k < cabs.size(); ++k) {
                if (!SameIgnoringCase(cabs[k].source.name, cab.name) || cabs[k].size != cabSize) continue;
                bool same = false;
                if (!SameContent(cabs[k].source.path, cab.path, &same, error)) return false;
                if (same) {
                    index = k;
                    break;
                }
            }
            for (size_t k : used) {
                if (SameIgnoringCase(cabs[k].source.name, cab.name) && k != index) {
                    *error = msi.path + " uses two different CABs named " + cab.name + " (" + cabs[k].source.path +
                             " and " + cab.path + ")";
                    return false;
                }
            }
            if (index == cabs.size()) cabs.push_back({cab, cabSize, {}});
            std::vector<uint32_t>& ids = cabs[index].msiIds;
            if (ids.empty() || ids.back() != msiId) ids.push_back(msiId);
            used.push_back(index);
        }
    }
    if (!CheckLanguageConflicts(msis, error)) return false;

    for (size_t k = 0; k < cabs.size(); ++k) {
        const uint32_t id = kFirstEntryId + static_cast<uint32_t>(msis.size() + k);
        if (!CheckManifestField("MSI id list of CAB " + cabs[k].source.path + " (too many MSIs share it)",
                                JoinNumbers(cabs[k].msiIds), error)) {
            return false;
        }
        out.items.push_back({id, cabs[k].source.path, cabs[k].size});
        out.lines.push_back({id, "cab\\" + JoinNumbers(cabs[k].msiIds) + "\\" + cabs[k].source.name});
    }
    *plan = std::move(out);
    return true;
}
