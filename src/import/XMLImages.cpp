#include "import/XMLImages.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "import/XMLLyrics.h"
#include "import/XMLPagination.h"
#include "model/Document.h"
#include "model/ObjetsLibres.h"
#include "model/Partition.h"
#include "platform/Memory.h"
#include "system/Ar002.h"
#include "system/Couleurs.h"
#include "system/Offscreens.h"
#include "system/PngCodec.h"
#include "system/Strings.h"

namespace {

// Kinds of the free objects made here.
enum : uint32_t {
  kCadre = 3,
  kCadrePlein = 4,
  kLigneHorizontale = 9,
  kLigneVerticale = 10,
  kLigneDiagonale = 11,
};

// Sizes and counts come from the file and cost nothing to write: an inline
// bitmap of more pixels than this is skipped, the bitmaps of one import share
// a budget of pixels, and one import makes at most so many pictures and so
// many page lines and frames (a page has a few; each is laid on its page).
constexpr int64_t kMaxPixelsImage = int64_t(1) << 22;
constexpr int64_t kMaxPixelsImport = int64_t(1) << 24;
constexpr int32_t kMaxImagesImport = 256;
constexpr int32_t kMaxGraphiquesImport = 2048;

// Held to 16 bits.
int16_t Court16(double v) {
  if (!(v > -32768.0)) return -32768;
  if (v > 32767.0) return 32767;
  return int16_t(v);
}
// Millimetres as tenths, rounded: a tenth of a staff space is rarely a whole
// number of millimetres in binary, and cutting would lose a tenth here and there.
int16_t Dixiemes(double mm) { return Court16(std::floor(mm * 10.0 + 0.5)); }

int32_t ValeurBase64(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// Decodes Base64 text into out (at most max bytes); characters outside the
// alphabet, padding included, are skipped. Returns the bytes written.
size_t DecodeBase64(const char* text, uint8_t* out, size_t max) {
  size_t n = 0;
  uint32_t acc = 0;
  int bits = 0;
  for (const char* p = text; p && *p && n < max; p++) {
    const int32_t v = ValeurBase64(*p);
    if (v < 0) continue;
    acc = (acc << 6) | uint32_t(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out[n++] = uint8_t(acc >> bits);
    }
  }
  return n;
}

ObjetLibre* Objet(Partition** score, int16_t index) {
  return index >= 0 && index < NbObjetsLibres(score) ? reinterpret_cast<ObjetLibre*>(*(*score)->objetsLibres) + index
                                                     : nullptr;
}

int32_t PageIndex(const XMLElt* e) {
  const int32_t page = XMLGetAttributeLong(e, "page");
  return page == kXMLAbsentLong || page < 1 ? 0 : std::min<int32_t>(page - 1, INT16_MAX);
}

// An attribute's integer, 0 when absent.
int32_t Entier(const XMLElt* e, const char* name) {
  const int32_t v = XMLGetAttributeLong(e, name);
  return v == kXMLAbsentLong ? 0 : v;
}

// The object's data handle replaced (a new object holds one byte).
void DonneesObjet(ObjetLibre* o, Handle data) {
  if (o->donnees) DisposeHandle(o->donnees);
  o->donnees = data;
}

// The bitmap as a 32-bit offscreen: 1-bit pixels black when set (most
// significant bit first), 8-bit pixels grey 255 - value, 24-bit pixels red,
// green, blue; opaque.
Offscreen Bitmap(const uint8_t* pixels, int32_t width, int32_t height, int32_t bits, size_t rowBytes) {
  Offscreen off = CreeOffscreen(int16_t(width), int16_t(height), 24);
  Ptr base = nullptr;
  int32_t rb = 0;
  OffscreenGetInfo(off, nullptr, nullptr, nullptr, nullptr, &base, &rb, nullptr);
  if (!off || !base) {
    if (off) DisposeImage(&off);
    return nullptr;
  }
  for (int32_t y = 0; y < height; y++) {
    const uint8_t* row = pixels + size_t(y) * rowBytes;
    uint8_t* d = reinterpret_cast<uint8_t*>(base) + size_t(y) * size_t(rb);
    for (int32_t x = 0; x < width; x++, d += 4) {
      uint8_t r, g, b;
      if (bits == 1) {
        r = g = b = (row[x >> 3] & (0x80 >> (x & 7))) ? 0 : 255;
      } else if (bits == 8) {
        r = g = b = uint8_t(255 - row[x]);
      } else {
        r = row[3 * x], g = row[3 * x + 1], b = row[3 * x + 2];
      }
      d[0] = 255, d[1] = r, d[2] = g, d[3] = b;
    }
  }
  return off;
}

// One "image" (pixel rows in its text) or "picture" (packed rows) element.
void BitmapEnObjet(Document* doc, XMLElt* e, bool picture, int64_t* budget) {
  Partition** score = doc->partitionCourante;
  const int32_t width = XMLGetAttributeLong(e, "source-width");
  const int32_t height = XMLGetAttributeLong(e, "source-height");
  const char* colorbits = XMLGetAttributeValue(e, "colorbits");
  if (height == kXMLAbsentLong || width == kXMLAbsentLong || width < 1 || height < 1 || !colorbits) return;
  const int64_t pixels = int64_t(width) * height;
  if (width > 32767 || height > 32767 || pixels > kMaxPixelsImage || pixels > *budget) return;
  *budget -= pixels;
  const int32_t bits = !stricmp(colorbits, "bitmap") ? 1 : !stricmp(colorbits, "8bitgray") ? 8 : 24;
  const size_t rowBytes = (size_t(bits) * size_t(width) + 7) / 8;
  size_t total = rowBytes * size_t(height);
  const int16_t index = NewObjetLibre(doc, kObjetLibreImage);
  if (index < 0) return;
  // Rows the text does not hold are white (zero bits) or black (zero grey).
  std::vector<uint8_t> rows(total, 0);
  const char* text = XMLGetText(e);
  bool lu = true;
  if (!picture) {
    DecodeBase64(text, rows.data(), total);
  } else {
    // The packed size is the file's: no more than the text can hold.
    const size_t possible = text ? std::strlen(text) / 4 * 3 + 3 : 0;
    const int32_t declared = XMLGetAttributeLong(e, "packedsize");
    const size_t packedSize =
        declared == kXMLAbsentLong || declared < 0 ? possible : std::min(size_t(declared), possible);
    std::vector<uint8_t> packed(packedSize, 0);
    const size_t n = DecodeBase64(text, packed.data(), packedSize);
    int32_t out = int32_t(total);
    lu = UnpackXMLPicture(packed.data(), int32_t(n), rows.data(), &out, XMLGetAttributeValue(e, "packing")) != 0;
  }
  Offscreen off = lu ? Bitmap(rows.data(), width, height, bits, rowBytes) : nullptr;
  if (!off) {
    LibereObjetLibre(score, index);
    return;
  }
  const int32_t page = PageIndex(e);
  float x = 0, y = 0;
  XMLCalculePosXYGlobale(doc, page, e, &x, &y);
  const float mm = XMLGetCurMMParTenth();
  const float sx = XMLGetAttributeFloat(e, "x-size"), sy = XMLGetAttributeFloat(e, "y-size");
  // Without a size of its own the bitmap is shown a pixel to the point.
  const float l = sx != kXMLAbsentFloat && std::isfinite(sx) && sx > 0 ? sx * mm : float(width) * 25.4f / 72.0f;
  const float h = sy != kXMLAbsentFloat && std::isfinite(sy) && sy > 0 ? sy * mm : float(height) * 25.4f / 72.0f;
  Handle png = CvtOffscreenToPngHandle(off, 1, 1, "", "", "", "");
  DisposeImage(&off);
  ObjetLibre* o = Objet(score, index);
  o->rect.top = Dixiemes(y);
  o->rect.left = Dixiemes(x);
  o->rect.bottom = Dixiemes(double(y) + h);
  o->rect.right = Dixiemes(double(x) + l);
  o->page = int16_t(page);
  o->flags[0] = o->flags[1] = 1;
  // Kind 3 (PNG) with its data; a picture without data when it cannot be made.
  o->ancienFormat = png ? uint32_t(kTypeImagePNG) : 1u;
  DonneesObjet(o, png);
}

// "#RRGGBB" as the nearest palette index; black without a colour.
int16_t Couleur(const XMLElt* e) {
  RGBColor c{0, 0, 0};
  const char* s = XMLGetAttributeValue(e, "color");
  unsigned r = 0, g = 0, b = 0;
  if (s && s[0] == '#' && std::sscanf(s + 1, "%02x%02x%02x", &r, &g, &b) == 3)
    c = RGBColor{uint16_t(r * 256), uint16_t(g * 256), uint16_t(b * 256)};
  return CvtRGBEnIndexProche(&c);
}

// A page line or frame; the file counts its y up from the page's bottom.
void GraphiqueEnObjet(Document* doc, XMLElt* e, bool frame) {
  Partition** score = doc->partitionCourante;
  const int32_t page = PageIndex(e);
  float hauteur = 297.0f;
  XMLGetPageParameters(page + 1, nullptr, &hauteur, nullptr, nullptr, nullptr, nullptr);
  const double mm = XMLGetCurMMParTenth();
  const int32_t x0 = Entier(e, "x-start"), y0 = Entier(e, "y-start");
  const int32_t x1 = Entier(e, "x-end"), y1 = Entier(e, "y-end");
  double top = hauteur - y0 * mm, left = x0 * mm, bottom = hauteur - y1 * mm, right = x1 * mm;
  uint32_t kind;
  if (frame) {
    const char* mode = XMLGetAttributeValue(e, "mode");
    kind = mode && !stricmp(mode, "fill") ? kCadrePlein : kCadre;
    // A frame is drawn only from its top-left corner to its bottom-right one.
    if (top > bottom) std::swap(top, bottom);
    if (left > right) std::swap(left, right);
  } else {
    kind = x0 == x1 ? kLigneVerticale : y0 == y1 ? kLigneHorizontale : kLigneDiagonale;
  }
  const int16_t index = NewObjetLibre(doc, kind);
  ObjetLibre* o = Objet(score, index);
  if (!o) return;
  o->rect.top = Dixiemes(top);
  o->rect.left = Dixiemes(left);
  o->rect.bottom = Dixiemes(bottom);
  o->rect.right = Dixiemes(right);
  o->page = int16_t(page);
  // Tenths of a millimetre, as the page drawing reads a free object's line.
  o->valeurs3[0] = Court16(Entier(e, "width") * 10.0 * mm);
  o->valeur3 = Couleur(e);
}

}  // namespace

int16_t UnpackXMLPicture(const uint8_t* packed, int32_t packedLength, uint8_t* out, int32_t* outLength,
                         const char* packing) {
  const int32_t capacite = outLength ? std::max<int32_t>(*outLength, 0) : 0;
  if (outLength) *outLength = 0;
  if (!packed || packedLength <= 0 || !packing || !out) return 0;
  if (!stricmp(packing, "rle1")) {
    const uint8_t e = packed[0];
    int32_t n = 0;
    auto pose = [&](uint8_t v, int32_t count) {
      const int32_t k = std::min(count, capacite - n);
      if (k > 0) std::memset(out + n, v, size_t(k)), n += k;
    };
    for (int32_t i = 1; i < packedLength;) {
      const uint8_t b = packed[i];
      if (b != e || i == packedLength - 1) {
        pose(b, 1), i++;
      } else if (packed[i + 1] == 0) {
        pose(e, 1), i += 2;
      } else if (i + 2 < packedLength) {
        pose(packed[i + 2], packed[i + 1]), i += 3;
      } else {
        pose(e, packed[i + 1]), i += 2;
      }
    }
    *outLength = n;
    return 1;
  }
  if (!stricmp(packing, "zip")) {
    Handle h = UnZip(packed, size_t(packedLength));
    if (!h) return 0;
    const int32_t n = std::min<int32_t>(GetHandleSize(h), capacite);
    std::memcpy(out, *h, size_t(n));
    DisposeHandle(h);
    *outLength = n;
    return 1;
  }
  if (!stricmp(packing, "unpacked")) {
    const int32_t n = std::min(packedLength, capacite);
    std::memcpy(out, packed, size_t(n));
    *outLength = n;
    return 1;
  }
  return 0;
}

void XMLProcessImages(Document* doc, XMLRootElt* tree) {
  if (!doc || !doc->partitionCourante || !tree) return;
  int64_t budget = kMaxPixelsImport;
  int32_t n = 0;
  XMLElt** elts = XMLGetElts(tree, "@image", &n);
  // An image stands only in the score itself; a picture anywhere.
  int32_t faits = 0;
  for (int32_t i = 0; i < n && faits < kMaxImagesImport; i++)
    if (elts[i]->parent && elts[i]->parent->name && !std::strcmp(elts[i]->parent->name, "score-partwise"))
      BitmapEnObjet(doc, elts[i], false, &budget), faits++;
  XMLDisposeElts(elts);
  elts = XMLGetElts(tree, "@picture", &n);
  for (int32_t i = 0; i < n && faits < kMaxImagesImport; i++) BitmapEnObjet(doc, elts[i], true, &budget), faits++;
  XMLDisposeElts(elts);
}

void XMLProcessExtraGraphics(Document* doc, XMLRootElt* tree) {
  if (!doc || !doc->partitionCourante || !tree) return;
  int32_t faits = 0;
  for (const bool frame : {false, true}) {
    int32_t n = 0;
    XMLElt** elts = XMLGetElts(tree, frame ? "@graphic-frame" : "@graphic-line", &n);
    for (int32_t i = 0; i < n && faits < kMaxGraphiquesImport; i++, faits++) GraphiqueEnObjet(doc, elts[i], frame);
    XMLDisposeElts(elts);
  }
}
