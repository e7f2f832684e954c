#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace dipview::output {

/// Most bytes of a value a message shows.
inline constexpr std::size_t kShownBytesMax = 40;

/// `text` between single quotes as a message shows it, safe for a terminal:
/// control bytes, invisible characters (byte order marks, zero-width and
/// direction marks), a backslash and bytes that are not UTF-8 are written as
/// \xhh (a backslash as \\), and a text longer than `limit` bytes is cut to its
/// first characters followed by "..." and its length: 'abc...' (5000 bytes).
std::string QuoteForMessage(std::string_view text, std::size_t limit = kShownBytesMax);

/// `text` with what QuoteForMessage escapes escaped, except backslashes,
/// and not cut: makes a whole message safe for a terminal without changing
/// the parts QuoteForMessage made.
std::string EscapeForTerminal(std::string_view text);

}  // namespace dipview::output
