// The list of open FDBs: one address per open file, kept by the opens and
// the closes, so it stays as short as the number of files open at once.
#include <algorithm>
#include <new>
#include <vector>

#include "fileio/open_fdbs.h"

namespace zrl {
namespace {

std::vector<const void *> &open_fdbs() {
    static std::vector<const void *> list;
    return list;
}

} // namespace

bool note_open(const FDB *fdb) {
    if (is_open_fdb(fdb)) return true;
    try {
        open_fdbs().push_back(fdb);
    } catch (const std::bad_alloc &) {
        return false;
    }
    return true;
}

void note_closed(const FDB *fdb) {
    auto &list = open_fdbs();
    const auto at = std::find(list.begin(), list.end(), static_cast<const void *>(fdb));
    if (at == list.end()) return;
    *at = list.back();
    list.pop_back();
}

bool is_open_fdb(const void *p) {
    const auto &list = open_fdbs();
    return p != nullptr && std::find(list.begin(), list.end(), p) != list.end();
}

} // namespace zrl
