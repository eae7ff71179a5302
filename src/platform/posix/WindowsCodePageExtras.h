// The characters of Windows' ANSI code pages that the C library's iconv tables lack or write
// otherwise, so the POSIX build sends the bytes Windows sends.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace bpconf::platform {

// The bytes Windows writes for the character in the code page (874, 932, …, 1258) where its
// table differs from iconv's; nothing for every other character and code page.
std::optional<std::string> WindowsExtraBytes(unsigned codePage, char32_t character);

// The character Windows reads from the one or two bytes at the start of bytes where iconv reads
// none, with the number of bytes it takes; nothing when neither table has them.
std::optional<std::pair<char32_t, std::size_t>> WindowsExtraCharacter(unsigned codePage,
                                                                      const std::string& bytes);

}  // namespace bpconf::platform
