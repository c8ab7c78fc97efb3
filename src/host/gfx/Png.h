// PNG files to and from surfaces: screenshots out, images in.
//
// Reading accepts every PNG colour type and depth and gives opaque RGB: palette and gray images
// are expanded, and transparent pixels are laid over black. It refuses, with a message, files
// that are damaged or cut short and images wider or taller than a surface may be
// (Surface::kMaxPixels) or bigger than a file of that size could possibly hold, before any
// pixel memory is taken.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "base/Result.h"
#include "host/gfx/Surface.h"

namespace stagehand::host {

// Writes the surface as an 8-bit RGB PNG at `path` (UTF-8), replacing any file there. Fails
// if the surface is empty or the file cannot be written.
base::Result<void> WritePng(const Surface& surface, const std::string& path);

base::Result<Surface> ReadPng(const std::string& path);

// As ReadPng, from PNG bytes in memory.
base::Result<Surface> DecodePng(std::span<const uint8_t> bytes);

}  // namespace stagehand::host
