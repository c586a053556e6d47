// List merge sort and array Shell sort with the caller's compare function.
//
// A list node is any caller record whose first member is the pointer to the
// next node; the rest of the record is never touched.  The link is read and
// written with memcpy so that the caller's own pointer type for it does not
// matter.  Neither sort allocates memory.
#include <zrlshared.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace zrl {
namespace {

void *next_of(void *node) {
    void *next;
    std::memcpy(&next, node, sizeof next);
    return next;
}

void set_next(void *node, void *next) {
    std::memcpy(node, &next, sizeof next);
}

zrl_word as_word(void *node) {
    return reinterpret_cast<zrl_word>(node);
}

} // namespace

// Stable merge of two sorted lists by relinking: on a tie the node of `a`
// goes first.  Iterative, so the length of the lists does not matter.
void *merge_lists(void *a, void *b, ZRL_Compare compare) {
    if (a == nullptr) return b;
    if (b == nullptr) return a;
    void *head = nullptr;
    void *tail = nullptr;
    while (a != nullptr && b != nullptr) {
        void *taken;
        if (compare(as_word(a), as_word(b)) > 0) {
            taken = b;
            b = next_of(b);
        } else {
            taken = a;
            a = next_of(a);
        }
        if (tail == nullptr)
            head = taken;
        else
            set_next(tail, taken);
        tail = taken;
    }
    set_next(tail, a != nullptr ? a : b);
    return head;
}

// Top-down merge sort of a list of n nodes: the first n/2 nodes are cut off,
// the second part is sorted before the first, and the two are merged.  The
// recursion depth is log2(n) (20 levels for a million nodes).
//
// The split walk stops at the end of the list, so a count larger than the
// list still sorts it (every part is then merely shorter than its count);
// a count below 2 returns the list as it is.
void *sort_list(void *list, int n, ZRL_Compare compare) {
    if (list == nullptr || next_of(list) == nullptr || n < 2) return list;
    const int half = n / 2;
    void *last = list;
    for (int i = 1; i < half && next_of(last) != nullptr; ++i)
        last = next_of(last);
    void *second = next_of(last);
    set_next(last, nullptr);
    second = sort_list(second, n - half, compare);
    void *first = sort_list(list, half, compare);
    return merge_lists(first, second, compare);
}

// Shell sort with the gaps 1, 4, 13, 40, ... (h = 3h + 1).  The largest gap
// is reached by growing h from 1 while it is not above n; every pass first
// divides it by 3.  The insertion step moves an element down past every
// element that is not greater than it, so an element ends up in front of the
// equal elements that stood before it: the sort is not stable.
void shell_sort(zrl_word *array, int n, ZRL_Compare compare) {
    if (n <= 1) return;
    // 64-bit so that growing past a count near INT_MAX cannot overflow.
    std::int64_t h = 1;
    while (h <= n)
        h = 3 * h + 1;
    const std::ptrdiff_t count = n;
    do {
        h /= 3;
        const auto gap = static_cast<std::ptrdiff_t>(h);
        for (std::ptrdiff_t i = gap; i < count; ++i) {
            const zrl_word x = array[i];
            std::ptrdiff_t j = i - gap;
            while (j >= 0 && compare(x, array[j]) <= 0) {
                array[j + gap] = array[j];
                j -= gap;
            }
            array[j + gap] = x;
        }
    } while (h > 1);
}

} // namespace zrl

extern "C" ZRL_API void *lmsort(void *list, int n, ZRL_Compare compare) {
    return zrl::sort_list(list, n, compare);
}

extern "C" ZRL_API void *lmerge(void *a, void *b, ZRL_Compare compare) {
    return zrl::merge_lists(a, b, compare);
}

extern "C" ZRL_API void shsort(zrl_word *array, int n, ZRL_Compare compare) {
    zrl::shell_sort(array, n, compare);
}
