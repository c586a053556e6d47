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
// '.bal', '.bbl', '.cbl'.  When the count reaches the dot no backup is made,
// and the create goes on without one.
#include <cerrno>
#include <cstring>
#include <string_view>

#include "fileio/backup.h"
#include "fileio/fdb.h"
#include "filespec/fields.h"
#include "frame/status.h"
#include <utf8fs.h>
#include <zrlshared.h>

namespace zrl {
namespace {

// Keeps zrl_error across the file operations, which set it on their own.
class KeepStatus {
  public:
    KeepStatus() : saved_(zrl_error) {}
    ~KeepStatus() { zrl_error = saved_; }
    KeepStatus(const KeepStatus &) = delete;
    KeepStatus &operator=(const KeepStatus &) = delete;

  private:
    int saved_;
};

// Whether an entry of that name exists.  A file too large for the 32-bit
// status record exists as well.
bool exists(const char *name) {
    utf8fs_stat32 record;
    errno = 0;
    return stat32_utf8(name, &record) == 0 || errno == EOVERFLOW;
}

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
    if (dot == nullptr) return !exists(name);
    const std::size_t dot_at = static_cast<std::size_t>(dot - name);
    std::size_t cursor = length - 1;
    while (exists(name)) {
        if (cursor <= dot_at || !count_up(name, dot_at, cursor)) return false;
        --cursor;
    }
    return true;
}

// The backup name of the existing file `existing` into bakspc; false when it
// has none (a directory, or a name that does not fit).
bool make_backup_name(FDB &fdb, char *existing) {
    const std::size_t length = std::strlen(existing);
    if (length == 0 || is_native_separator(existing[length - 1])) return false;
    undot_name_and_type(existing, length);
    const int n = fparsemax(fdb.bakspc, ZRL_FDB_SPEC - 1, ".bak", existing, nullptr);
    // A name cut at the end of the field would not be the backup's name.
    if (n <= 0 || n >= ZRL_FDB_SPEC - 1) {
        fdb.bakspc[0] = '\0';
        return false;
    }
    return true;
}

} // namespace

void delete_every(const char *spec) {
    KeepStatus keep;
    while (fdelete(spec) == 0) {
    }
}

bool prepare_replacement(FDB &fdb) {
    KeepStatus keep;
    const bool fast = has_flag(fdb, ZRL_FDB_FAST_TRANSFER);
    if (fdb.bakspc[0] != '\0' || !has_flag(fdb, ZRL_FDB_BACKUP)) {
        if (fast) delete_every(fdb.filspc);
        return false;
    }

    char existing[kSpecMax + 1];
    if (ffspec(existing, fdb.filspc, nullptr) == 0) return false;
    if (!make_backup_name(fdb, existing)) return false;
    if (!choose_free_name(fdb.bakspc)) {
        fdb.bakspc[0] = '\0';
        return false;
    }
    // ffspec gave the full name again; existing now holds the undotted one.
    if (ffspec(existing, fdb.filspc, nullptr) == 0 || frename(existing, fdb.bakspc) != 0) {
        // Nothing was preserved: the close must not delete a file of that
        // name, nor a failed create rename one back.
        fdb.bakspc[0] = '\0';
        return false;
    }
    if (fast) delete_every(fdb.filspc);
    return true;
}

int restore_backup(FDB &fdb) {
    if (fdb.bakspc[0] == '\0') return kSuccess;
    KeepStatus keep;
    return frename(fdb.bakspc, fdb.filspc);
}

void drop_backup(FDB &fdb) {
    if (fdb.bakspc[0] == '\0') return;
    delete_every(fdb.bakspc);
    fdb.bakspc[0] = '\0';
}

} // namespace zrl
