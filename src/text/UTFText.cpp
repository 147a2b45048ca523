#include "text/UTFText.h"

#include <cstring>

#include "text/TextEncodings.h"

uint8_t UnicodeApplication = 0;

void SetUnicodeApplication(uint8_t flag) { UnicodeApplication = flag; }
uint8_t IsUnicodeApplication() { return UnicodeApplication; }

namespace {
void PutLE16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v & 0xFF));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
}  // namespace

void FabriqueCommentaireUTF(const char* utf8, int32_t length, int16_t angle, std::vector<uint8_t>& out) {
  out.clear();
  for (char c : {'Q', 'r', 'v', 'l'}) out.push_back(static_cast<uint8_t>(c));
  PutLE16(out, 1);
  PutLE16(out, static_cast<uint16_t>(angle));
  for (int32_t i = 0; utf8 && i < length; i++) out.push_back(static_cast<uint8_t>(utf8[i]));
}

void FabriqueCommentaireUTF16(const UniChar* units, int32_t count, int16_t angle, std::vector<uint8_t>& out) {
  out.clear();
  PutLE16(out, static_cast<uint16_t>(angle));
  for (int32_t i = 0; units && i < count; i++) PutLE16(out, units[i]);
}

bool LitCommentaireUTF(const uint8_t* data, int32_t size, int16_t* angle, const uint8_t** text, int32_t* length) {
  if (!data || size < kCommentUnicodeHeader) return false;
  if (memcmp(data, "Qrvl", 4) != 0 || data[4] != 1) return false;
  if (angle) *angle = static_cast<int16_t>(data[6] | (data[7] << 8));
  if (text) *text = data + kCommentUnicodeHeader;
  if (length) *length = size - kCommentUnicodeHeader;
  return true;
}

bool PrepareTexteUTF(const char* text, int32_t offset, int32_t length, bool musicFont, std::vector<UniChar>& out) {
  out.clear();
  int32_t units = 0;
  EncodedStr u = UTFTextToUnicode(text, offset, length, &units);
  if (!u) return false;
  const UniChar* p = reinterpret_cast<const UniChar*>(u);
  out.assign(p, p + units);
  DisposeEncodedStr(u);
  for (UniChar& c : out) {
    if (c < 32) c = ' ';
    if (musicFont && c < 0x1000) c |= 0xF000;
  }
  return true;
}
