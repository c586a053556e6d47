// Keeping the previous version of a file that is created over an existing
// one.
//
// The backup name is the existing file's full name with the dots of its name
// and type made '_' and the type ".bak": 'C:\DATA\REPORT.TXT' is kept as
// 'C:\DATA\REPORT_TXT.bak'.  Dots of the directories stay as they are, so a
// file in 'C:\V1.2\' keeps its backup beside it instead of in a directory
// 'C:\V1_2\' that does not exist.
//
// When that name is taken (a program that ended without closing leaves its
// backup on disk), the type is counted up from its last character, one
// character further to the left after each name that also exists: '.bak',
// '.bal', '.bbl', '.cbl'.
//
// The previous version survives every failure: when no backup can be made
// (no name can be formed, every name is taken, the rename fails) the create
// fails and the file stays as it was.  Every name here is the library's own,
// so each is removed and renamed exactly, never matched as a pattern.
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "fileio/backup.h"
#include "fileio/exact_names.h"
#include "fileio/fdb.h"
#include "filespec/fields.h"
#include "frame/status.h"
#include <utf8fs.h>
#include <zrlshared.h>

namespace zrl {
namespace {

// Makes '_' of every '.' in the name and type of a full name.
void undot_name_and_type(char *name, std::size_t length) {
    const Fields fields = split_fields(std::string_view(name, length), kNativeSyntax);
    std::size_t start = 0;
    for (int f = kNode; f < kName; ++f)
        start += fields[static_cast<std::size_t>(f)].size();
    for (std::size_t i = start; i < length; ++i)
        if (name[i] == '.') name[i] = '_';
}

// Counts the character at `at` up by one, 'z' to 'a' (and 'Z' to 'A', '9'
// to '0') with a carry into the one before it.  False when a carry reaches
// the dot at `dot`.
bool count_up(char *name, std::size_t dot, std::size_t at) {
    for (std::size_t i = at; i > dot; --i) {
        char &c = name[i];
        if (c == 'z' || c == 'Z' || c == '9') {
            c = c == 'z' ? 'a' : c == 'Z' ? 'A' : '0';
            continue;
        }
        ++c;
        return true;
    }
    return false;
}

// Moves the backup name on until it names nothing that exists; false when
// the count gives up at the dot of the type.
bool choose_free_name(char *name) {
    const std::size_t length = std::strlen(name);
    const char *dot = std::strrchr(name, '.');
    if (dot == nullptr) return !exact_exists(name);
    const std::size_t dot_at = static_cast<std::size_t>(dot - name);
    std::size_t cursor = length - 1;
    while (exact_exists(name)) {
        if (cursor <= dot_at || !count_up(name, dot_at, cursor)) return false;
        --cursor;
    }
    return true;
}

// The backup name of the file `existing` (its full name, changed here) into
// bakspc; false when it does not fit whole.
bool make_backup_name(FDB &fdb, char *existing) {
    const std::size_t length = std::strlen(existing);
    undot_name_and_type(existing, length);
    const int n = fparsemax(fdb.bakspc, ZRL_FDB_SPEC - 1, ".bak", existing, nullptr);
    // A name cut at the end of the field would not be the backup's name.
    if (n <= 0 || n >= ZRL_FDB_SPEC - 1) {
        fdb.bakspc[0] = '\0';
        return false;
    }
    return true;
}

// The backup of the existing file fdb.filspc into bakspc: 0 when it was made,
// else the status that fails the create (bakspc empty then).
int make_backup(FDB &fdb) {
    char existing[kSpecMax + 1];
    errno = 0;
    const std::uint32_t n = GetFullPathName_utf8(fdb.filspc, kSpecMax, existing, nullptr);
    if (n == 0 || n >= kSpecMax) return n == 0 ? io_status(errno) : ENAMETOOLONG;
    if (!make_backup_name(fdb, existing)) return ENAMETOOLONG;
    if (!choose_free_name(fdb.bakspc)) {
        fdb.bakspc[0] = '\0';
        return EEXIST;
    }
    const int renamed = exact_rename(fdb.filspc, fdb.bakspc);
    if (renamed != kSuccess) fdb.bakspc[0] = '\0';
    return renamed;
}

} // namespace

int prepare_replacement(FDB &fdb) {
    // A backup name left from an earlier use of the FDB names a file that
    // this create did not make: it is forgotten, never deleted.
    fdb.bakspc[0] = '\0';
    utf8fs_stat32 record;
    errno = 0;
    const bool found = stat32_utf8(fdb.filspc, &record) == 0;
    if (!found && errno != EOVERFLOW) return kSuccess; // nothing to replace
    // A directory of that name is not replaced: the create fails on it.
    if (found && (record.st_mode & UTF8FS_S_IFMT) == UTF8FS_S_IFDIR) return kSuccess;
    if (has_flag(fdb, ZRL_FDB_BACKUP)) return make_backup(fdb);
    // FAST_FILE_TRANSFER: the old file goes before the new one is made, so
    // that other names of it (links) keep the old contents.  A file that
    // cannot be removed is truncated by the create instead.
    if (has_flag(fdb, ZRL_FDB_FAST_TRANSFER)) exact_remove(fdb.filspc);
    return kSuccess;
}

int restore_backup(FDB &fdb) {
    if (fdb.bakspc[0] == '\0') return kSuccess;
    const int renamed = exact_rename(fdb.bakspc, fdb.filspc);
    if (renamed == kSuccess) fdb.bakspc[0] = '\0';
    return renamed;
}

void drop_backup(FDB &fdb) {
    if (fdb.bakspc[0] == '\0') return;
    exact_remove(fdb.bakspc);
    fdb.bakspc[0] = '\0';
}

} // namespace zrl
