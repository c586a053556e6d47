// Directory listings on Windows 7 and later: FindFirstFileExW asked for the
// basic information level (no short names) and for large fetches, which cuts
// the round trips to the file system on big directories; earlier versions
// list through the UTF-8 layer's enumeration.  Names are converted exactly as
// the UTF-8 layer converts its own: a pattern that is not valid UTF-8 matches
// nothing, and an entry whose name has no UTF-8 form (a lone surrogate) is
// left out.  An entry's kind is its directory attribute; a reparse point
// (a link) is of unknown kind, as its target decides.
#include "platform/platform.h"

#include <cstring>
#include <string>
#include <windows.h>

#include <utf8fs.h>

#ifndef WC_ERR_INVALID_CHARS
#define WC_ERR_INVALID_CHARS 0x80
#endif

namespace zrl::platform {
namespace {

// Longest name or path the UTF-8 layer takes, with its NUL.
constexpr std::size_t kPathMax = 4096;

// Windows 7 is version 6.1; GetVersion has the major version in its low
// byte and the minor version in the next.
bool basic_listing_offered() {
    const DWORD version = GetVersion();
    const unsigned major = version & 0xFF;
    const unsigned minor = (version >> 8) & 0xFF;
    return major > 6 || (major == 6 && minor >= 1);
}

bool to_wide(const char *utf8, std::wstring &out) {
    std::size_t length = 0;
    while (length < kPathMax && utf8[length] != '\0')
        ++length;
    if (length == 0 || length >= kPathMax) return false;
    const int count = static_cast<int>(length);
    const int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, count, nullptr, 0);
    if (units <= 0) return false;
    out.resize(static_cast<std::size_t>(units));
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, count, out.data(), units);
    return true;
}

bool to_utf8(const wchar_t *wide, std::string &out) {
    const int bytes =
        WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return false;
    out.resize(static_cast<std::size_t>(bytes));
    WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, -1, out.data(), bytes, nullptr,
                        nullptr);
    out.pop_back(); // the NUL that the conversion counted
    return true;
}

// Closes the enumeration however the listing ends.
class FindHandle {
  public:
    explicit FindHandle(HANDLE handle) : handle_(handle) {}
    ~FindHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
    }
    FindHandle(const FindHandle &) = delete;
    FindHandle &operator=(const FindHandle &) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

  private:
    HANDLE handle_;
};

EntryKind kind_of(std::uint32_t attributes) {
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return EntryKind::kUnknown;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EntryKind::kDirectory : EntryKind::kOther;
}

// The UTF-8 layer's enumeration, for the versions without the basic level.
void list_through_layer(const char *pattern, EntrySink sink, void *context) {
    WIN32_FIND_DATA_UTF8 data;
    const UTF8FS_HANDLE handle = FindFirstFile_utf8(pattern, &data);
    if (handle == UTF8FS_INVALID_HANDLE) return;
    do {
        if (!sink(context, data.cFileName, std::strlen(data.cFileName),
                  kind_of(data.dwFileAttributes)))
            break;
    } while (FindNextFile_utf8(handle, &data));
    FindClose_utf8(handle);
}

} // namespace

void list_entries(const char *pattern, EntrySink sink, void *context) {
    if (pattern == nullptr) return;
    if (!basic_listing_offered()) {
        list_through_layer(pattern, sink, context);
        return;
    }
    std::wstring wide;
    if (!to_wide(pattern, wide)) return;
    WIN32_FIND_DATAW found;
    const FindHandle search(FindFirstFileExW(wide.c_str(), FindExInfoBasic, &found,
                                             FindExSearchNameMatch, nullptr,
                                             FIND_FIRST_EX_LARGE_FETCH));
    if (!search.valid()) return;
    std::string name;
    do {
        if (to_utf8(found.cFileName, name) &&
            !sink(context, name.c_str(), name.size(), kind_of(found.dwFileAttributes)))
            break;
    } while (FindNextFileW(search.get(), &found));
}

} // namespace zrl::platform
