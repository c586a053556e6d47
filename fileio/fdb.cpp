// FDB records: allocation, the reset, the buffer they own, attribute text
// (fdbset, fdbload), questions about an open file (fdbinfo) and release.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fileio/attributes.h"
#include "fileio/fdb.h"
#include "fileio/open_fdbs.h"
#include "frame/status.h"
#include "platform/platform.h"
#include "text/keywords.h"
#include <zrlshared.h>

namespace zrl {

// ---- The record and its buffer -------------------------------------------

void set_marker(FDB &fdb) {
    reinterpret_cast<unsigned char *>(&fdb)[0] = kMarker;
}

bool has_marker(const void *p) {
    return p != nullptr && *static_cast<const unsigned char *>(p) == kMarker;
}

void reset_fdb(FDB &fdb) {
    note_closed(&fdb);
    fdb.datptr = fdb.bufptr;
    fdb.endptr = fdb.bufptr;
    fdb.handle = -1;
    fdb.position = 0;
    fdb.alloc = 0;
    fdb.f_flags = 0;
    // A buffer that cannot take the default size is dropped; the next open
    // allocates one of the right size.
    if (fdb.bufptr != nullptr && !set_buffer_size(fdb, kDefaultBufferSize)) {
        std::free(fdb.bufptr);
        fdb.bufptr = nullptr;
        fdb.datptr = nullptr;
        fdb.endptr = nullptr;
    }
    fdb.bufsize = kDefaultBufferSize;
    fdb.bakspc[0] = '\0';
    set_marker(fdb);
}

// The record starts zero-filled, so that filspc is an empty text rather than
// whatever the allocator left there.
FDB *new_fdb() {
    FDB *fdb = static_cast<FDB *>(std::calloc(1, sizeof(FDB)));
    if (fdb == nullptr) return nullptr;
    fdb->bufptr = nullptr;
    reset_fdb(*fdb);
    return fdb;
}

// The buffer is bufsize + 1 bytes: the byte past the data is the line
// reader's sentinel.  A block that cannot shrink is kept as it is (it is
// large enough).  Bytes added by growing are zero.  While the FDB is open its
// pointers move with the block; while it is not open datptr carries the
// marker and is left alone (every open sets it afresh).
bool set_buffer_size(FDB &fdb, std::int32_t size) {
    if (size <= 0) return false;
    const std::size_t bytes = static_cast<std::size_t>(size) + 1;
    if (fdb.bufptr == nullptr) {
        char *block = static_cast<char *>(std::calloc(bytes, 1));
        if (block == nullptr) return false;
        fdb.bufptr = block;
        fdb.bufsize = size;
        return true;
    }
    const bool open = is_open(&fdb);
    const std::ptrdiff_t data = open ? fdb.datptr - fdb.bufptr : 0;
    const std::ptrdiff_t end = open ? fdb.endptr - fdb.bufptr : 0;
    const std::size_t old_bytes = fdb.bufsize > 0 ? static_cast<std::size_t>(fdb.bufsize) + 1 : 0;

    char *block = static_cast<char *>(std::realloc(fdb.bufptr, bytes));
    if (block == nullptr) {
        if (bytes > old_bytes) return false;
        block = fdb.bufptr;
    } else if (bytes > old_bytes) {
        std::memset(block + old_bytes, 0, bytes - old_bytes);
    }
    fdb.bufptr = block;
    fdb.bufsize = size;
    if (open) {
        fdb.datptr = block + (data < size ? data : size);
        fdb.endptr = block + (end < size ? end : size);
    }
    return true;
}

void release_fdb(FDB *fdb) {
    if (fdb == nullptr) return;
    note_closed(fdb);
    std::free(fdb->bufptr);
    std::free(fdb);
}

int io_status(int error_number) {
    return status_from_errno(error_number);
}

// ---- Attribute text --------------------------------------------------------

namespace {

enum class Attribute {
    kNoPfs,
    kNothing,
    kDefault,
    kImage,
    kSequential,
    kIntegerIgnored,
    kBackup,
    kFastTransfer,
    kAllocated,
    kCharacterIgnored,
};

struct AttributeEntry {
    const char *keyword;
    Attribute effect;
};

// Searched in this order: where two entries accept the same abbreviation the
// earlier one wins ('B' is BACKUP, 'F' FIXED_TYPE, 'FA' FAST_FILE_TRANSFER).
constexpr AttributeEntry kAttributes[] = {
    {"NOPFS", Attribute::kNoPfs},
    {"S*TREAM_TYPE", Attribute::kNothing},
    {"V*ARIABLE_TYPE", Attribute::kNothing},
    {"D*EFAULT", Attribute::kDefault},
    {"I*MAGE_ACCESS", Attribute::kImage},
    {"SEQ*UENTIAL", Attribute::kSequential},
    {"F*IXED_TYPE", Attribute::kIntegerIgnored},
    {"B*ACKUP", Attribute::kBackup},
    {"FA*ST_FILE_TRANSFER", Attribute::kFastTransfer},
    {"R*ECORD", Attribute::kNothing},
    {"A*LLOCATED", Attribute::kAllocated},
    {"C*ONTIGUOUS", Attribute::kNothing},
    {"E*XTENT", Attribute::kIntegerIgnored},
    {"NOT*RUNCATE", Attribute::kNothing},
    {"NOR*ECORD", Attribute::kNothing},
    {"END1", Attribute::kCharacterIgnored},
    {"END2", Attribute::kCharacterIgnored},
    {nullptr, Attribute::kNothing},
};

bool starts_value(char c) {
    return c == '=' || c == ':';
}

// The integer after "=" or ":", or 0 when none is written; the cursor moves
// past what was read.
int integer_value(const char *&cursor) {
    int value = 0;
    if (starts_value(*cursor)) {
        ++cursor;
        cursor += convai(cursor, &value);
    }
    return value;
}

// A character value is one character or a backslash and three more; it is
// passed over, never past the end of the text.
void skip_character_value(const char *&cursor) {
    if (!starts_value(*cursor)) return;
    ++cursor;
    const int length = *cursor == '\\' ? 4 : 1;
    for (int i = 0; i < length && *cursor != '\0'; ++i)
        ++cursor;
}

// The cursor after the keyword that find_keyword matched at it: the one
// separator find_keyword passes over, then the keyword's characters.
const char *after_keyword(const char *cursor) {
    if (!is_keyword_char(*cursor)) ++cursor;
    while (is_keyword_char(*cursor))
        ++cursor;
    return cursor;
}

// Runs one attribute; the cursor is after its keyword and moves past its
// value.  An element written right after a value (as BACKUP in
// 'A=100/BACKUP') is applied like any other: callers write their attributes
// in one text and mean every one of them.
void apply(FDB &fdb, Attribute effect, const char *&cursor) {
    switch (effect) {
    case Attribute::kNoPfs:
        fdb.f_flags |= ZRL_FDB_NOPFS;
        break;
    case Attribute::kNothing:
        break;
    case Attribute::kDefault:
        reset_fdb(fdb);
        break;
    case Attribute::kImage:
        fdb.f_flags |= ZRL_FDB_IMAGE;
        break;
    case Attribute::kSequential:
        // A buffer that cannot grow keeps its size, and the FDB stays as it
        // was; the failure is reported as memory exhausted.
        if (fdb.bufptr != nullptr && !set_buffer_size(fdb, kSequentialBufferSize)) {
            set_status(kNoMemory);
            break;
        }
        fdb.bufsize = kSequentialBufferSize;
        fdb.f_flags |= ZRL_FDB_SEQUENTIAL;
        break;
    case Attribute::kIntegerIgnored:
        (void)integer_value(cursor);
        break;
    case Attribute::kBackup:
        fdb.f_flags |= ZRL_FDB_BACKUP;
        break;
    case Attribute::kFastTransfer:
        fdb.f_flags |= ZRL_FDB_FAST_TRANSFER;
        break;
    case Attribute::kAllocated:
        fdb.alloc = static_cast<std::uint32_t>(integer_value(cursor));
        break;
    case Attribute::kCharacterIgnored:
        skip_character_value(cursor);
        break;
    }
}

} // namespace

// The parser's position lives in this call alone, so attribute texts of
// different FDBs never share state.
void apply_attributes(FDB &fdb, const char *text) {
    if (text == nullptr) text = "";
    const char *cursor = text;
    while (*cursor != '\0') {
        const AttributeEntry *entry = find_keyword(cursor, kAttributes);
        if (entry == nullptr) {
            std::printf("FDBSET - Invalid keyword: %s\n", text);
            set_status(kInvalid);
            cursor = skip_keyword(cursor);
            continue;
        }
        cursor = after_keyword(cursor);
        apply(fdb, entry->effect, cursor);
    }
    if (!is_open(&fdb)) set_marker(fdb);
}

// ---- The dump --------------------------------------------------------------

// A null FDB has nothing to show: fdbinfo's own line has said what was wrong.
// The redundant '0' flag of the position and flag fields is left out of the
// formats; the digits come out the same.
void dump_fdb(const FDB *fdb) {
    if (fdb == nullptr) return;
    std::fprintf(stderr, " FDB DUMP fdb=0x%p filspc=%s\n", static_cast<const void *>(fdb),
                 fdb->filspc);
    std::fprintf(stderr, "   datptr=0x%p endptr=0x%p bufptr=0x%p \n",
                 static_cast<const void *>(fdb->datptr), static_cast<const void *>(fdb->endptr),
                 static_cast<const void *>(fdb->bufptr));
    std::fprintf(stderr, "   handle=%d        position=0x%.8X f_flags=0x%.8lX alloc=0x%.8lX\n",
                 static_cast<int>(fdb->handle), static_cast<unsigned>(fdb->position),
                 static_cast<unsigned long>(fdb->f_flags), static_cast<unsigned long>(fdb->alloc));
    std::fprintf(stderr, " err=%d\n", zrl_error);
}

// ---- Questions about an FDB ------------------------------------------------

namespace {

enum class Query { kOne, kZero, kBlocks, kTerminal };

struct QueryEntry {
    const char *keyword;
    Query query;
};

constexpr QueryEntry kQueries[] = {
    {"S*TREAM_TYPE", Query::kOne},    {"F*IXED_TYPE", Query::kOne},
    {"V*ARIABLE_TYPE", Query::kZero}, {"R*ECORD", Query::kZero},
    {"B*LOCKS", Query::kBlocks},      {"T*ERMINAL_TYPE", Query::kTerminal},
    {nullptr, Query::kZero},
};

// The size in 512-byte blocks, rounded up, found by seeking to the end and
// back.  A failing seek leaves its status; the value is still given (a size
// that could not be learnt counts as -1, which gives 0 blocks).
int size_in_blocks(const FDB &fdb) {
    errno = 0;
    const std::int64_t here = platform::fd_seek(fdb.handle, 0, 1);
    if (here < 0) set_status(io_status(errno));
    errno = 0;
    const std::int64_t size = platform::fd_seek(fdb.handle, 0, 2);
    if (size < 0) set_status(io_status(errno));
    errno = 0;
    if (platform::fd_seek(fdb.handle, here < 0 ? 0 : here, 0) < 0) set_status(io_status(errno));
    return static_cast<int>((size + 511) / 512);
}

} // namespace

int fdb_info(FDB *fdb, const char *keyword) {
    if (fdb == nullptr) {
        typeln("FDBINFO - Illegal fdb argument:");
        dump_fdb(fdb);
        return set_status(kInvalid);
    }
    const QueryEntry *entry = find_keyword(keyword, kQueries);
    if (entry == nullptr) {
        std::printf("FDBINFO - Illegal keyword: %s\n", keyword != nullptr ? keyword : "");
        return set_status(kInvalid);
    }
    switch (entry->query) {
    case Query::kOne:
        return 1;
    case Query::kZero:
        return 0;
    case Query::kBlocks:
        return size_in_blocks(*fdb);
    case Query::kTerminal:
        return static_cast<int>(fdb->f_flags & ZRL_FDB_TERMINAL);
    }
    return 0;
}

FDB *set_attributes(FDB *fdb, const char *text) {
    set_status(kSuccess);
    if (fdb == nullptr) {
        fdb = new_fdb();
        if (fdb == nullptr) {
            set_status(kNoMemory);
            return nullptr;
        }
    }
    apply_attributes(*fdb, text);
    return fdb;
}

// A null model has no flags to lend: the FDB is reset and the status is 22.
FDB *load_attributes(FDB *fdb, const FDB *model) {
    fdb = set_attributes(fdb, "DEFAULT");
    if (fdb == nullptr) return nullptr;
    if (model == nullptr) {
        set_status(kInvalid);
        return fdb;
    }
    fdb->f_flags = model->f_flags & (ZRL_FDB_IMAGE | ZRL_FDB_SEQUENTIAL);
    return fdb;
}

} // namespace zrl

extern "C" {

ZRL_API FDB *fdballoc(void) {
    zrl::set_status(zrl::kSuccess);
    FDB *fdb = zrl::new_fdb();
    if (fdb == nullptr) zrl::set_status(zrl::kNoMemory);
    return fdb;
}

ZRL_API FDB *fdbset(FDB *fdb, const char *attributes) {
    return zrl::set_attributes(fdb, attributes);
}

ZRL_API FDB *fdbload(FDB *fdb, const FDB *model) {
    return zrl::load_attributes(fdb, model);
}

ZRL_API int fdbinfo(FDB *fdb, const char *keyword) {
    return zrl::fdb_info(fdb, keyword);
}

// Does not close an open file: callers close first.
ZRL_API int fdbfree(FDB *fdb) {
    zrl::set_status(zrl::kSuccess);
    zrl::release_fdb(fdb);
    return 0;
}

ZRL_API int isstream(FDB *) {
    return 1;
}

} // extern "C"
