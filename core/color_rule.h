// The watermark colour rule: "r,g,b" (decimal) to a packed RGB value, red in bits 0-7.
// Pure code over UTF-16 units, free of windows.h.
#pragma once
#include <cstddef>
#include <cstdint>

#include "exchange/exchange_layout.h"

// Colour used when the text is empty after trimming white space.
constexpr uint32_t kDefaultWatermarkColor = 0xC0C0C0;

// Reads at most maxUnits units (stopping at a NUL). Empty after trimming: 0xC0C0C0; no comma
// past the first character: 0 (black); one such comma: red alone; two: red, green, blue.
// Components are read like _wtoi and reduced to their low 8 bits.
uint32_t ColorFromWatermarkText(const ExWChar* text, size_t maxUnits);
