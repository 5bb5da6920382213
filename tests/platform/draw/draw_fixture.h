// Shared by the drawing tests: a current raster port over the synthetic
// fonts, and pixel access.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/draw/port.h"
#include "platform/fonts.h"

// Long random runs take their count from KX_RANDOM_STEPS.
inline int KxDrawRandomSteps(int fallback) {
  const char* s = std::getenv("KX_RANDOM_STEPS");
  return s ? std::max(1, std::atoi(s)) : fallback;
}

class DrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KxFontInstallBackend(KxSyntheticFontBackend());
    port = KxPort::NewImage(kWidth, kHeight);
    SetPort(port.get());
  }
  void TearDown() override {
    SetPort(nullptr);
    port.reset();
  }

  // The 24-bit colour of a surface pixel.
  std::uint32_t Px(int x, int y) const { return Word(x, y) & 0xFFFFFF; }
  std::uint32_t Word(int x, int y) const {
    cairo_surface_flush(port->Surface());
    const unsigned char* d = cairo_image_surface_get_data(port->Surface());
    return reinterpret_cast<const std::uint32_t*>(d + y * cairo_image_surface_get_stride(port->Surface()))[x];
  }
  std::vector<std::uint8_t> Bytes() const {
    cairo_surface_flush(port->Surface());
    const unsigned char* d = cairo_image_surface_get_data(port->Surface());
    return {d, d + std::size_t(cairo_image_surface_get_stride(port->Surface())) * kHeight};
  }
  void SetBytes(const std::vector<std::uint8_t>& b) {
    cairo_surface_flush(port->Surface());
    std::memcpy(cairo_image_surface_get_data(port->Surface()), b.data(), b.size());
    cairo_surface_mark_dirty(port->Surface());
  }
  // Surface pixels that are not white.
  int CountInk() const {
    int n = 0;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) n += Px(x, y) != 0xFFFFFF;
    return n;
  }

  static int RandomSteps(int fallback) { return KxDrawRandomSteps(fallback); }

  static constexpr int kWidth = 64;
  static constexpr int kHeight = 48;
  static constexpr std::uint32_t kWhite = 0xFFFFFF;
  static constexpr std::uint32_t kBlack = 0x000000;
  std::unique_ptr<KxPort> port;
};

inline Rect MakeRect(int left, int top, int right, int bottom) {
  return Rect{std::int16_t(top), std::int16_t(left), std::int16_t(bottom), std::int16_t(right)};
}
