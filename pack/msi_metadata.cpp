// MSI metadata through libmsi (GObject-based): the database is opened read
// only, the summary information's Template is split at its ';', and two
// queries read the Property and Media tables.
#include "pack/msi_metadata.h"

#ifdef MSILAUNCH_PACK_WITH_LIBMSI

#include <stdio.h>
#include <string.h>

#include <libmsi.h>

namespace {

template <typename T>
struct GObjectHandle {
    T* object = nullptr;
    ~GObjectHandle()
    {
        if (object != nullptr) g_object_unref(object);
    }
};

struct ErrorHandle {
    GError* error = nullptr;
    ~ErrorHandle() { g_clear_error(&error); }
    std::string Text() const { return error != nullptr && error->message != nullptr ? error->message : "unknown error"; }
};

// An MSI database is a compound file; anything else is refused before libmsi
// sees it, with a reason the user can act on.
bool HasCompoundFileSignature(const std::string& path)
{
    static const unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    unsigned char head[8] = {};
    FILE* file = fopen(path.c_str(), "rb");
    if (file == nullptr) return true;  // libmsi reports the open failure
    bool match = fread(head, 1, sizeof(head), file) == sizeof(head) && memcmp(head, kSignature, 8) == 0;
    fclose(file);
    return match;
}

// libmsi reports some failures only as log warnings: they are kept as the
// reason instead of going to stderr.
void KeepLogMessage(const gchar*, GLogLevelFlags, const gchar* message, gpointer userData)
{
    *static_cast<std::string*>(userData) = message != nullptr ? message : "";
}

struct LogCapture {
    std::string last;
    GLogFunc previous;
    LogCapture() { previous = g_log_set_default_handler(KeepLogMessage, &last); }
    ~LogCapture() { g_log_set_default_handler(previous, nullptr); }  // glib's own handler takes no data
};

bool TableExists(LibmsiDatabase* database, const char* table)
{
    ErrorHandle failure;
    return libmsi_database_is_table_persistent(database, table, &failure.error) && failure.error == nullptr;
}

// Runs a query and hands every row to `row`; false with the reason.
template <typename RowFunction>
bool ForEachRow(LibmsiDatabase* database, const char* sql, RowFunction row, std::string* reason)
{
    ErrorHandle failure;
    GObjectHandle<LibmsiQuery> query;
    query.object = libmsi_query_new(database, sql, &failure.error);
    if (query.object == nullptr || !libmsi_query_execute(query.object, nullptr, &failure.error)) {
        *reason = failure.Text();
        return false;
    }
    for (;;) {
        GObjectHandle<LibmsiRecord> record;
        record.object = libmsi_query_fetch(query.object, &failure.error);
        if (record.object == nullptr) break;
        row(record.object);
    }
    // The fetch after the last row answers null without an error.
    if (failure.error != nullptr) {
        *reason = failure.Text();
        return false;
    }
    libmsi_query_close(query.object, nullptr);
    return true;
}

std::string StringField(LibmsiRecord* record, unsigned field)
{
    if (libmsi_record_is_null(record, field)) return std::string();
    gchar* text = libmsi_record_get_string(record, field);
    std::string value = text != nullptr ? text : "";
    g_free(text);
    return value;
}

}  // namespace

bool ReadMsiMetadata(const std::string& path, MsiMetadata* metadata, std::string* error)
{
    *metadata = MsiMetadata();
    if (!HasCompoundFileSignature(path)) {
        *error = "cannot open " + path + " as an MSI database: it is no compound file";
        return false;
    }
    LogCapture log;
    ErrorHandle failure;
    GObjectHandle<LibmsiDatabase> database;
    database.object = libmsi_database_new(path.c_str(), LIBMSI_DB_FLAGS_READONLY, nullptr, &failure.error);
    if (database.object == nullptr) {
        *error = "cannot open " + path + " as an MSI database: " +
                 (failure.error == nullptr && !log.last.empty() ? log.last : failure.Text());
        return false;
    }

    GObjectHandle<LibmsiSummaryInfo> summary;
    summary.object = libmsi_summary_info_new(database.object, 0, &failure.error);
    const gchar* templateText =
        summary.object != nullptr ? libmsi_summary_info_get_string(summary.object, LIBMSI_PROPERTY_TEMPLATE, nullptr)
                                  : nullptr;
    if (summary.object == nullptr) {
        *error = "cannot read the summary information of " + path + ": " + failure.Text();
        return false;
    }
    std::string templateValue = templateText != nullptr ? templateText : "";
    size_t semicolon = templateValue.find(';');
    metadata->templatePlatform = templateValue.substr(0, semicolon);
    if (semicolon != std::string::npos) metadata->templateLanguages = templateValue.substr(semicolon + 1);

    std::string reason;
    if (TableExists(database.object, "Property")) {
        auto property = [metadata](LibmsiRecord* record) {
            std::string name = StringField(record, 1);
            if (name == "ProductCode") metadata->productCode = StringField(record, 2);
            if (name == "ProductName") metadata->productName = StringField(record, 2);
        };
        if (!ForEachRow(database.object, "SELECT `Property`, `Value` FROM `Property`", property, &reason)) {
            *error = "cannot read the Property table of " + path + ": " + reason;
            return false;
        }
    }
    if (TableExists(database.object, "Media")) {
        auto media = [metadata](LibmsiRecord* record) {
            std::string cabinet = StringField(record, 1);
            if (cabinet.empty()) {
                metadata->hasUncompressedMedia = true;
            } else if (cabinet[0] != '#') {
                metadata->externalCabinets.push_back(cabinet);
            }
        };
        if (!ForEachRow(database.object, "SELECT `Cabinet` FROM `Media` ORDER BY `DiskId`", media, &reason)) {
            *error = "cannot read the Media table of " + path + ": " + reason;
            return false;
        }
    }
    return true;
}

#else

bool ReadMsiMetadata(const std::string& path, MsiMetadata* metadata, std::string* error)
{
    *metadata = MsiMetadata();
    *error = "cannot read " + path + ": this msilaunch-pack was built without MSI support; give --arch, "
             "--languages, --product-code, --product-name and --cab (or --no-cabs) by hand";
    return false;
}

#endif
