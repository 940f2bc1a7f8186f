#pragma once

namespace quorvex {

// Forward-only results are read as they are consumed; keyset results are the same to callers
// here, since every result set can count and search its rows.
enum class CursorType { ForwardOnly = 0, Keyset = 1 };

} // namespace quorvex
