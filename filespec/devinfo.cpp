// devinfo: the free or total space of the device that a specification names,
// counted in 512-byte blocks.
//
// Windows asks about a drive: the first two characters of the specification's
// DEVICE ('C:' of 'C:\DATA\X.DAT'), or of the current directory when there is
// no device, with a backslash behind them.  No logical name is translated, so
// a device that is not a drive cannot be read.  POSIX has no drives: it asks
// about the file system that holds the specification's directory (its DEVICE
// and DIRECTORY fields), or the current directory when it names none.
#include <cstdint>

#include "filespec/fields.h"
#include "frame/status.h"
#include "platform/platform.h"
#include "text/keywords.h"
#include <zrlshared.h>

namespace zrl {
namespace {

struct SpaceQuery {
    const char *keyword;
    std::int32_t total; // 0: the free space, 1: the size of the device
};

constexpr SpaceQuery kSpaceQueries[] = {
    {"FREE*BLOCKS", 0},
    {"AVAI*LABLEBLOCKS", 0},
    {"MAX*BLOCKS", 1},
    {nullptr, 0},
};

constexpr std::uint64_t kBlockBytes = 512;
// The count that means "the platform cannot report this device's space".
constexpr unsigned kUnknownSpace = 0x7FFFFFFF;
// The product of unit size and unit count is formed in 64 bits, so devices of
// any size are counted exactly; a count that does not fit below the mark
// above is given as the largest one that does, so that a caller comparing it
// with a request (as a signed or an unsigned number) still sees a large
// device and never the mark.
constexpr std::uint64_t kMostBlocks = kUnknownSpace - 1;

std::uint64_t blocks_of(std::uint64_t unit_bytes, std::uint64_t units) {
    if (units != 0 && unit_bytes > UINT64_MAX / units) return kMostBlocks;
    const std::uint64_t blocks = unit_bytes * units / kBlockBytes;
    return blocks < kMostBlocks ? blocks : kMostBlocks;
}

// The text the platform is asked about, into where (kSpecMax + 1 bytes);
// false when not even the current directory can be read.
bool space_location(const char *spec, char *where) {
    constexpr unsigned kFields = paths::kDrivesAndShares
                                     ? field_bit(kDevice)
                                     : field_bit(kDevice) | field_bit(kDirectory);
    const std::size_t n =
        merge_fields(where, kSpecMax, spec != nullptr ? spec : "", {}, kFields, kNativeSyntax);
    if (n == 0 && !platform::current_directory(where, kSpecMax + 1)) return false;
    if constexpr (paths::kDrivesAndShares) {
        // The root of the drive: two characters and a backslash.
        std::size_t keep = 0;
        while (keep < 2 && where[keep] != '\0')
            ++keep;
        where[keep] = '\\';
        where[keep + 1] = '\0';
    }
    return true;
}

} // namespace

unsigned device_space(const char *spec, const char *query) {
    const SpaceQuery *hit = query != nullptr ? find_keyword(query, kSpaceQueries) : nullptr;
    if (hit == nullptr) {
        set_status(kInvalid);
        return 0;
    }
    char where[kSpecMax + 1];
    platform::DiskSpace space{};
    if (!space_location(spec, where) || !platform::disk_space(where, space)) return kUnknownSpace;
    const std::uint64_t units = hit->total != 0 ? space.total_units : space.free_units;
    return static_cast<unsigned>(blocks_of(space.unit_bytes, units));
}

} // namespace zrl

extern "C" ZRL_API unsigned int devinfo(const char *spec, const char *query) {
    return zrl::device_space(spec, query);
}
