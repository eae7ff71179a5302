// Times of the record: UTC, ISO 8601, to the millisecond.
#pragma once

#include <cstdint>
#include <string>

namespace bpconf::platform {

// "2026-12-08T09:30:00.125Z" for milliseconds since 1970-01-01 00:00 UTC.
std::string FormatUtc(std::int64_t millisecondsSinceEpoch);

// The time now, so formatted.
std::string UtcNow();

}  // namespace bpconf::platform
