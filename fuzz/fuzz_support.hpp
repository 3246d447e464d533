// What the fuzz targets share: a quiet driver with its tables built, input
// bytes read as host text or as a run of records, and host values read back
// the way the host reads them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "links/ilink.hpp"
#include "tagcore.h"

namespace fuzzing {

// Sends the host libraries' log lines to /dev/null and drops the driver's
// own; builds the vocabulary and Device tables as an open does. Idempotent.
void QuietDriverWithTables();

// A peer's side of the driver: a link that records the answers the driver
// builds instead of sending them becomes the active link (of the given type,
// see links/ilink.hpp), and the driver's own result hooks receive the
// outcomes, each value read back first. Idempotent; the first type stays.
void InstallRecordingLinkAndHooks(std::int32_t linkType);

// Before each input: forgets the answers recorded, any reassembly in
// progress and the devices bound, and makes invokeId the one of the
// pending request.
void BeginExchange(std::uint8_t pendingInvokeId);

// Bytes as UTF-16 text, readable in seed files: each byte is one character
// (ASCII and Latin-1 as they stand), except that 0xFF followed by two bytes
// is the code unit they give, high byte first (surrogates and NUL included).
std::u16string TextFromBytes(const std::uint8_t* data, std::size_t size);

// Lines of the text, split at '\n'; empty lines included.
std::vector<std::u16string> Lines(const std::u16string& text);

// Records each behind a two-byte big-endian length; the last one takes what
// is left when its length runs past the input. Each is a buffer of its own,
// so that a read past its end is caught.
std::vector<std::vector<std::uint8_t>> Records(const std::uint8_t* data, std::size_t size);

// Reads the value as the host does (number or text), so that a text record
// left in a broken state shows.
void ReadBack(const HostValue& value);

}  // namespace fuzzing
