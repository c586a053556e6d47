// The core open and the five opens of the record I/O.
//
// The first argument of an open is an FDB (marker byte 0xFF), a null pointer
// (a new FDB that the caller releases) or attribute text (a new FDB made from
// it, flagged 0x0040 so that the close releases it).  Mode bit 0 selects the
// create path: the name is merged with its default and a logical device is
// translated, the file is created with the permissions of the file it
// replaces, after the allocation check and the backup.  The other modes open
// an existing file, found as ffspec finds it; a name too long to look up
// fails with the runtime's status for that, not as a file that is missing.
//
// Names are built in bounded work buffers: the node and device part and the
// translation of a logical device in 1024 bytes, the whole name in the
// 4096-byte filspc.  A specification, translation or resulting name that does
// not fit is refused with the runtime's error number for a name too long,
// the number the UTF-8 layer gives for names it cannot take; nothing is cut,
// so a file is never created under a shortened name.
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "fileio/backup.h"
#include "fileio/fdb.h"
#include "fileio/open_fdbs.h"
#include "filespec/fields.h"
#include "filespec/search.h"
#include "frame/status.h"
#include "platform/path_rules.h"
#include "platform/platform.h"
#include <utf8fs.h>
#include <zrlshared.h>

namespace zrl {
namespace {

constexpr int kWorkSize = 1024;

// Modes of the core open and the runtime flags (the Windows runtime's values,
// which open_utf8 takes on every platform).
constexpr int kModeRead = 0;
constexpr int kModeUpdate = 2;
constexpr int kModeWrite = 1;
constexpr int kModeTemporary = 0x41;
constexpr int kCreateBit = 1;
constexpr int kCreateFlags = UTF8FS_O_RDWR | UTF8FS_O_CREAT | UTF8FS_O_TRUNC | UTF8FS_O_BINARY;
constexpr int kDefaultPermissions = 0666;
constexpr std::uint32_t kSpaceUnknown = 0x7FFFFFFF;
constexpr std::uint32_t kClearedByOpen =
    ZRL_FDB_WRITE | ZRL_FDB_READ | ZRL_FDB_DELETE | ZRL_FDB_TERMINAL | ZRL_FDB_UNWRITTEN;

int name_too_long() {
    return io_status(ENAMETOOLONG);
}

bool is_separator(char c) {
    return c == '/' || c == '\\';
}

bool has_native_separator(const char *text) {
    for (; *text != '\0'; ++text)
        if (is_native_separator(*text)) return true;
    return false;
}

// Copies text into filspc when it fits; the status.
int store_name(FDB &fdb, std::string_view text) {
    if (text.size() > ZRL_FDB_SPEC - 1) return name_too_long();
    std::memcpy(fdb.filspc, text.data(), text.size());
    fdb.filspc[text.size()] = '\0';
    return kSuccess;
}

// One translation of the logical device `name` into out (kWorkSize bytes),
// with room left for one separator; its length, or -1 when it is too long.
int translate_device(const char *name, char *out) {
    const char *value = getenv_utf8(name);
    // lognam copies without a bound: the length is checked first.
    if (value != nullptr && std::strlen(value) > kWorkSize - 2) return -1;
    return lognam(name, out);
}

// The directory that a translation gives: a separator after it, and of a
// search list only the first element.  An empty first element gives no
// directory (the current one), never the root.
std::size_t first_directory(char *translation, std::size_t length, bool rest_empty) {
    if (length > 0 && !is_separator(translation[length - 1]))
        translation[length++] = kNativeSeparator;
    translation[length] = '\0';
    const char *comma = std::strchr(translation, ',');
    if (comma == nullptr) return length;
    std::size_t cut = static_cast<std::size_t>(comma - translation);
    if (!rest_empty && cut > 0 && !is_separator(translation[cut - 1]))
        translation[cut++] = kNativeSeparator;
    translation[cut] = '\0';
    return cut;
}

// The name of a file to create: the specification completed from its
// default, its logical device replaced by the first directory of the
// translation.  A one-letter device such as 'C:' is not translated; an
// undefined logical name leaves the directory, name and type alone.
int resolve_create_name(FDB &fdb, const char *spec, const char *defspec) {
    char merged[kSpecMax + 1];
    const int merged_length = fparse(merged, spec, defspec, nullptr);
    if (merged_length > ZRL_FDB_SPEC - 1) return name_too_long();

    char device[kSpecMax + 1];
    const int device_length = fparse(device, merged, nullptr, "NOD,DEV");
    if (device_length <= 2 || device[device_length - 1] != ':') return store_name(fdb, merged);
    if (device_length >= kWorkSize) return name_too_long();
    device[device_length - 1] = '\0';

    char rest[kSpecMax + 1];
    const int rest_length = fparse(rest, merged, nullptr, "DIR,NAM,TYP,VER");
    char translation[kWorkSize];
    const int translated = translate_device(device, translation);
    if (translated < 0) return name_too_long();
    const std::size_t directory =
        first_directory(translation, static_cast<std::size_t>(translated), rest_length == 0);

    if (directory + static_cast<std::size_t>(rest_length) > ZRL_FDB_SPEC - 1)
        return name_too_long();
    std::memcpy(fdb.filspc, translation, directory);
    std::memcpy(fdb.filspc + directory, rest, static_cast<std::size_t>(rest_length) + 1);
    return kSuccess;
}

// Where there are no drives, a device is always a logical name, and a path
// that starts with one is looked up through its translation like any other
// name with a device; taken as it is, it would open a file of the current
// directory whose name merely begins with that text.
bool starts_with_logical_device(const char *spec) {
    return !paths::kDrivesAndShares && field_extent(spec, kDevice, kNativeSyntax) != 0;
}

// The name of an existing file: a path given without a default is taken as
// it is, anything else is looked up (defaults, logical devices, wildcards).
int resolve_existing_name(FDB &fdb, const char *spec, const char *defspec) {
    if (spec == nullptr) spec = "";
    if ((defspec == nullptr || defspec[0] == '\0') && has_native_separator(spec) &&
        !starts_with_logical_device(spec))
        return store_name(fdb, spec);
    char found[kSpecMax + 1];
    int refusal = kSuccess;
    if (find_first(found, spec, defspec, refusal) == 0) {
        fdb.filspc[0] = '\0';
        return refusal == kSuccess ? ENOENT : io_status(refusal);
    }
    return store_name(fdb, found);
}

// The permission bits of an existing file of that name, or 0666.
int permissions_of(const char *name) {
    utf8fs_stat32 record;
    if (stat32_utf8(name, &record) != 0) return kDefaultPermissions;
    return record.st_mode & 0777;
}

// Whether the device has room for the blocks the FDB asks for; a device
// whose space cannot be read is not checked.
bool allocation_fits(const FDB &fdb) {
    if (fdb.alloc == 0) return true;
    const int saved = zrl_error;
    const std::uint32_t available = devinfo(fdb.filspc, "AVAILABLE");
    zrl_error = saved;
    return available == kSpaceUnknown || fdb.alloc < available;
}

// Opens the file of filspc; the descriptor, or -1 with the status in `status`.
int open_descriptor(FDB &fdb, int mode, int &status) {
    int handle;
    if ((mode & kCreateBit) != 0) {
        const int permissions = permissions_of(fdb.filspc);
        if (!allocation_fits(fdb)) {
            status = kTooLarge;
            return -1;
        }
        const int prepared = prepare_replacement(fdb);
        if (prepared != kSuccess) {
            status = prepared;
            return -1;
        }
        const bool backed_up = fdb.bakspc[0] != '\0';
        errno = 0;
        handle = open_utf8(fdb.filspc, (mode & ~kCreateBit) | kCreateFlags, permissions);
        const int open_error = errno;
        if (handle < 0 && backed_up) restore_backup(fdb);
        errno = open_error;
    } else {
        int flags = mode | UTF8FS_O_BINARY;
        if (has_flag(fdb, ZRL_FDB_SEQUENTIAL)) flags |= UTF8FS_O_SEQUENTIAL;
        errno = 0;
        handle = open_utf8(fdb.filspc, flags, 0);
    }
    if (handle < 0) status = io_status(errno);
    return handle;
}

// The FDB an open works on, or null (status set) when none could be made.
FDB *obtain_fdb(const void *given, bool &made) {
    made = false;
    if (has_marker(given)) return static_cast<FDB *>(const_cast<void *>(given));
    made = true;
    if (given == nullptr) {
        FDB *fdb = new_fdb();
        if (fdb == nullptr) set_status(kNoMemory);
        return fdb;
    }
    FDB *fdb = fdbset(nullptr, static_cast<const char *>(given));
    if (fdb != nullptr) fdb->f_flags |= ZRL_FDB_TEMPORARY_FDB;
    return fdb;
}

FDB *open_failed(FDB &fdb, int status, const char *message) {
    fdb.handle = -1;
    note_closed(&fdb);
    set_marker(fdb);
    set_status(status);
    errexit(message);
    return &fdb;
}

} // namespace

FDB *core_open(const void *given, const char *spec, const char *defspec, const char *message,
               int mode) {
    bool made;
    FDB *fdb = obtain_fdb(given, made);
    if (fdb == nullptr) {
        errexit(message);
        return nullptr;
    }

    // Without a buffer the open fails as a whole: an FDB made here is
    // released (nobody could reach it), the caller's own is left not open.
    if (!has_flag(*fdb, ZRL_FDB_IMAGE) && fdb->bufptr == nullptr &&
        !set_buffer_size(*fdb, fdb->bufsize)) {
        if (made) {
            release_fdb(fdb);
        } else {
            fdb->handle = -1;
            set_marker(*fdb);
        }
        set_status(kNoMemory);
        errexit(message);
        return nullptr;
    }

    fdb->f_flags &= ~kClearedByOpen;
    fdb->datptr = fdb->bufptr;
    fdb->endptr = fdb->bufptr;
    fdb->position = 0;

    int status = (mode & kCreateBit) != 0 ? resolve_create_name(*fdb, spec, defspec)
                                          : resolve_existing_name(*fdb, spec, defspec);
    if (status != kSuccess) return open_failed(*fdb, status, message);

    // Recorded before the file is opened, so that running out of memory
    // here leaves no file made or replaced.
    if (!note_open(fdb)) return open_failed(*fdb, kNoMemory, message);
    const int handle = open_descriptor(*fdb, mode, status);
    if (handle < 0) return open_failed(*fdb, status, message);

    fdb->handle = handle;
    if (platform::fd_is_terminal(handle)) fdb->f_flags |= ZRL_FDB_TERMINAL;
    set_status(kSuccess);
    return fdb;
}

namespace {

// The buffer of a writer is an output area from the start.
void start_output(FDB &fdb) {
    fdb.f_flags |= ZRL_FDB_WRITE | ZRL_FDB_EOF;
    if (fdb.bufptr != nullptr) fdb.endptr = fdb.bufptr + fdb.bufsize;
}

FDB *open_for(const void *given, const char *spec, const char *defspec, const char *message,
              int mode, void (*after)(FDB &)) {
    // An FDB that is open already is refused and left as it is: its file
    // stays open under it, and its bytes are not taken for attribute text.
    if (is_open_fdb(given)) {
        set_status(kInvalid);
        errexit(message);
        return static_cast<FDB *>(const_cast<void *>(given));
    }
    FDB *fdb = core_open(given, spec, defspec, message, mode);
    if (fdb != nullptr && fdb->handle >= 0) after(*fdb);
    return fdb;
}

void after_read(FDB &fdb) {
    fdb.f_flags = (fdb.f_flags & ~ZRL_FDB_EOF) | ZRL_FDB_READ;
}

void after_update(FDB &fdb) {
    fdb.f_flags = (fdb.f_flags & ~ZRL_FDB_EOF) | ZRL_FDB_READ | ZRL_FDB_WRITE;
}

// Appending starts at the end of the file.  An end that cannot be found is
// reported with the runtime's number; the file stays open at offset 0.
void after_append(FDB &fdb) {
    errno = 0;
    const std::int64_t end = platform::fd_seek(fdb.handle, 0, 2);
    if (end < 0)
        set_status(io_status(errno));
    else
        fdb.position = static_cast<std::int32_t>(static_cast<std::uint32_t>(end));
    start_output(fdb);
}

} // namespace
} // namespace zrl

extern "C" {

ZRL_API FDB *fopenr(const void *fdb, const char *spec, const char *defspec, const char *message) {
    return zrl::open_for(fdb, spec, defspec, message, zrl::kModeRead, zrl::after_read);
}

ZRL_API FDB *fopenu(const void *fdb, const char *spec, const char *defspec, const char *message) {
    return zrl::open_for(fdb, spec, defspec, message, zrl::kModeUpdate, zrl::after_update);
}

ZRL_API FDB *fopenw(const void *fdb, const char *spec, const char *defspec, const char *message) {
    return zrl::open_for(fdb, spec, defspec, message, zrl::kModeWrite, zrl::start_output);
}

ZRL_API FDB *fopent(const void *fdb, const char *spec, const char *defspec, const char *message) {
    return zrl::open_for(fdb, spec, defspec, message, zrl::kModeTemporary, zrl::start_output);
}

ZRL_API FDB *fopena(const void *fdb, const char *spec, const char *defspec, const char *message) {
    return zrl::open_for(fdb, spec, defspec, message, zrl::kModeUpdate, zrl::after_append);
}

} // extern "C"
