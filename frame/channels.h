// Internal view of the four output channels and their shared formatting buffer.
#pragma once

#include <span>

#include <zrlshared.h>

namespace zrl {

enum class Channel { C, L, M, T };

// The channel's current function, read anew at every call so that a caller's
// replacement takes effect at the next output.  Never null: a channel whose
// pointer a caller cleared gets a function that writes nothing and returns 0,
// which the members report as a failed output.
ZRL_OutputFn channel_function(Channel channel);

// The one 1024-byte buffer that every formatting member of every channel
// formats into.  Its last byte always stays NUL.
inline constexpr int kFormatBufferSize = 1024;
std::span<char, kFormatBufferSize> format_buffer();

} // namespace zrl
