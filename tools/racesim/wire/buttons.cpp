#include "tools/racesim/wire/buttons.h"

#include "tools/racesim/wire/insim_numbers.h"

namespace racesim {

namespace {

constexpr int kBtnClickIdAt = 4;
constexpr int kBtnInstAt = 5;
constexpr int kBtnStyleAt = 6;
constexpr int kBtnTypeInAt = 7;
constexpr int kBtnLeftAt = 8;
constexpr int kBtnTopAt = 9;
constexpr int kBtnWidthAt = 10;
constexpr int kBtnHeightAt = 11;
constexpr int kBfnUcidAt = 4;
constexpr int kBfnClickIdAt = 5;
constexpr int kBfnInstAt = 6;
constexpr int kMaxButtonText = kMaxBtnSize - kBtnHeaderSize - 1;

}  // namespace

int ButtonSize(int textLength) { return (kBtnHeaderSize + textLength + 1 + 3) & ~3; }

Bytes EncodeBtn(const ButtonPacket& b) {
  const int length = static_cast<int>(b.text.size()) < kMaxButtonText
                         ? static_cast<int>(b.text.size())
                         : kMaxButtonText;
  const int size = ButtonSize(length);
  Bytes p = NewPacket(size, ISP_BTN, b.reqI, b.ucid);
  p[kBtnClickIdAt] = b.clickId;
  p[kBtnInstAt] = b.inst;
  p[kBtnStyleAt] = b.style;
  p[kBtnTypeInAt] = b.typeIn;
  p[kBtnLeftAt] = b.left;
  p[kBtnTopAt] = b.top;
  p[kBtnWidthAt] = b.width;
  p[kBtnHeightAt] = b.height;
  PutText(p.data() + kBtnHeaderSize, size - kBtnHeaderSize, b.text.substr(0, length));
  return p;
}

bool DecodeBtn(const std::uint8_t* p, int size, ButtonPacket* b) {
  if (size < kBtnHeaderSize || p[kTypeAt] != ISP_BTN) return false;
  b->reqI = p[kReqIAt];
  b->ucid = p[kByte3At];
  b->clickId = p[kBtnClickIdAt];
  b->inst = p[kBtnInstAt];
  b->style = p[kBtnStyleAt];
  b->typeIn = p[kBtnTypeInAt];
  b->left = p[kBtnLeftAt];
  b->top = p[kBtnTopAt];
  b->width = p[kBtnWidthAt];
  b->height = p[kBtnHeightAt];
  b->text = FieldText(p + kBtnHeaderSize, size - kBtnHeaderSize);
  return true;
}

Bytes EncodeBfn(const ButtonFunction& f) {
  Bytes p = NewPacket(kBfnSize, ISP_BFN, f.reqI, f.subT);
  p[kBfnUcidAt] = f.ucid;
  p[kBfnClickIdAt] = f.clickId;
  p[kBfnInstAt] = f.inst;
  return p;
}

bool DecodeBfn(const std::uint8_t* p, int size, ButtonFunction* f) {
  if (size < kBfnSize || p[kTypeAt] != ISP_BFN) return false;
  f->reqI = p[kReqIAt];
  f->subT = p[kByte3At];
  f->ucid = p[kBfnUcidAt];
  f->clickId = p[kBfnClickIdAt];
  f->inst = p[kBfnInstAt];
  return true;
}

}  // namespace racesim
