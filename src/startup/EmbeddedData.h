// The constant data the program carries for its skin: the skin engine library's file and 33 skins.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace kf {

using EmbeddedBytes = std::span<const unsigned char>;

// The number of skins in SkinTable.
inline constexpr int SkinCount = 33;

// The complete file of the skin engine library, written next to the program. Empty in a build
// without the window toolkit, which has no skin engine.
extern const EmbeddedBytes SkinEngineLibrary;

// The skins: SkinTable[number - 1] is skin `number` (1 to 33). Each begins with ".SHE".
extern const std::array<EmbeddedBytes, SkinCount> SkinTable;

} // namespace kf
