#include "director/insim/packet_buttons.h"

#include <cstring>

#include "director/insim/packet_link.h"

namespace director {

namespace {

constexpr int kButtonHeader = 12;
constexpr int kClickId = 4;
constexpr int kStyle = 6;
constexpr int kLeft = 8;
constexpr int kTop = 9;
constexpr int kWidth = 10;
constexpr int kHeight = 11;
constexpr int kBfnClickId = 5;

}  // namespace

int BuildButton(std::uint8_t out[kMaxButtonSize], const char* text, std::uint8_t clickId,
                std::uint8_t style, std::uint8_t left, std::uint8_t top, std::uint8_t width,
                std::uint8_t height) {
  constexpr int kMaxText = kMaxButtonSize - kButtonHeader - 1;
  int length = 0;
  while (text != nullptr && length < kMaxText && text[length] != '\0') ++length;
  const int size = (kButtonHeader + length + 1 + 3) & ~3;
  std::memset(out, 0, static_cast<std::size_t>(size));
  PutHeader(out, size, ISP_BTN, 1, 0);
  out[kClickId] = clickId;
  out[kStyle] = style;
  out[kLeft] = left;
  out[kTop] = top;
  out[kWidth] = width;
  out[kHeight] = height;
  if (length > 0) std::memcpy(out + kButtonHeader, text, static_cast<std::size_t>(length));
  return size;
}

int BuildDeleteButton(std::uint8_t out[kBfnSize], std::uint8_t clickId) {
  std::memset(out, 0, kBfnSize);
  PutHeader(out, kBfnSize, ISP_BFN, 0, BFN_DEL_BTN);
  out[kBfnClickId] = clickId;
  return kBfnSize;
}

}  // namespace director
