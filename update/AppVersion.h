#pragma once
// Version text of the program's file: the four numbers of its file version put into a format.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

using FileVersion = std::array<std::uint16_t, 4>; // major, minor, release, build

// Fills the "%d" placeholders of `format` with the numbers in order; placeholders beyond the
// fourth print nothing, numbers beyond the last placeholder are ignored, "%%" prints "%".
// Without version information the text is "0.0.0.0", whatever the format.
std::wstring FormatAppVersion(std::wstring_view format, const std::optional<FileVersion>& version);

// Splits VS_FIXEDFILEINFO's two 32-bit halves into the four numbers.
FileVersion SplitFileVersion(std::uint32_t mostSignificant, std::uint32_t leastSignificant);
