// Texts of host value records.
//
// Ownership rule: a record never owns heap memory, so the driver may copy it as
// a plain 192-byte block and the host may drop it without a release call.
// A text of up to kInlineCharacters characters lives inside the record. A longer
// text lives in a process-wide pool, interned by content (the same schedule
// text read every scan is stored once), and the record holds its key. The pool
// keeps the most recently used texts up to kPoolCharacterBudget characters in
// all; a record whose long text has been evicted since reads back as empty
// text with status TAGCORE_NO_TEXT.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct HostValue;

namespace tagcore {

inline constexpr std::size_t kInlineCharacters = 75;
inline constexpr std::size_t kPoolCharacterBudget = 16u * 1024 * 1024;  // 32 MiB of UTF-16

void PutText(HostValue& value, std::u16string_view text, std::uint32_t kind);

// The record's text, or false when it holds none (or its text was evicted).
bool GetText(const HostValue& value, std::u16string& out);

// Characters the pool holds now (for tests and diagnostics).
std::size_t PooledCharacters();

}  // namespace tagcore
