#pragma once
// The five-bit codes that have fixed roles on the line.

#include <cstdint>

namespace kestrix {

namespace baudot {
constexpr std::uint8_t kBlank = 0;
constexpr std::uint8_t kLineFeed = 2;
constexpr std::uint8_t kSpace = 4;
constexpr std::uint8_t kCarriageReturn = 8;
constexpr std::uint8_t kFigures = 27;  // FIGS
constexpr std::uint8_t kLetters = 31;  // LTRS
constexpr std::uint8_t kNoCode = 127;  // a table cell that sends nothing
}  // namespace baudot

}  // namespace kestrix
