// The logical position of an FDB, shared by the readers' queries and the
// positioning operations.
#pragma once

#include <cstdint>

#include <zrlshared.h>

namespace zrl {

// position + (datptr - bufptr) with status 0; -1 with status 22 when the FDB
// is not open, or with the FGETP message and status 5 for image access.
std::int32_t logical_position(FDB *fdb);

// fputp: moves the logical position to `pos` (-1: the end of the file) and
// returns `pos`; the status in zrl_error.
std::int32_t move_to(FDB *fdb, std::int32_t pos);

} // namespace zrl
