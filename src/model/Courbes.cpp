#include "model/Courbes.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "model/CvtTemps.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "platform/Memory.h"
#include "plugin/LectureDocument.h"
#include "system/Handles.h"
#include "system/QrvFiles.h"

// Bytes of a stored point: tick, value, end-of-segment byte.
constexpr int64_t kTaillePointFichier = 7;

Courbe* GetCourbes(Handle list, int32_t* count) {
  int32_t n = list ? int32_t(GetHandleSize(list) / Size(sizeof(Courbe))) : 0;
  if (count) *count = n;
  return n > 0 ? reinterpret_cast<Courbe*>(*list) : nullptr;
}

Courbe* GetCourbePortee(Portee** staff, int32_t index) {
  if (!staff) return nullptr;
  int32_t n;
  Courbe* c = GetCourbes((*staff)->courbes, &n);
  return c && index >= 0 && index < n ? c + index : nullptr;
}

// The points of a curve, counted within the handle.
static PointCourbe* Points(const Courbe* c, int32_t* count) {
  int32_t n = 0;
  if (c->points) n = std::min(c->nbPoints, int32_t(GetHandleSize(c->points) / Size(sizeof(PointCourbe))));
  if (n < 0) n = 0;
  *count = n;
  return n > 0 ? reinterpret_cast<PointCourbe*>(*c->points) : nullptr;
}

Handle ReadCourbes() {
  std::vector<Courbe> lues;
  // Whatever was read goes: the staff reader sees the stream's end and fails.
  auto echec = [&lues]() -> Handle {
    for (Courbe& c : lues)
      if (c.points) DisposeHandle(c.points);
    ioCustom.finFichier = 1;
    return nullptr;
  };
  for (;;) {
    uint32_t type = uint32_t(ReadLong());
    if (EndOfFile()) return echec();
    if (type == 0) break;
    Courbe c{};
    c.type = type;
    c.minimum = ReadShort();
    c.maximum = ReadShort();
    c.valeur3 = ReadShort();
    uint8_t flags = uint8_t(ReadCar());
    c.escalier = (flags & 0x80) ? 1 : 0;
    c.flag = flags & 1;
    c.desactivee = uint8_t(ReadCar());
    ReadString(c.nom, sizeof c.nom);
    c.valeurConstante = kCourbeSansConstante;
    int32_t n = ReadLong();
    if (EndOfFile() || n < 0 || int64_t(n) * kTaillePointFichier > GetStreamRemaining()) return echec();
    if (n > 0) {
      c.points = NewHandle(Size(n) * Size(sizeof(PointCourbe)));
      if (!c.points) return echec();
    }
    c.nbPoints = n;
    lues.push_back(c);
    for (int32_t i = 0; i < n; i++) {
      PointCourbe p{};
      p.temps = ReadLong();
      p.valeur = ReadShort();
      p.finSegment = uint8_t(ReadCar());
      reinterpret_cast<PointCourbe*>(*c.points)[i] = p;
    }
    ReadGap(16);
    if (EndOfFile()) return echec();
  }
  if (lues.empty()) return nullptr;
  Handle h = NewHandle(Size(lues.size()) * Size(sizeof(Courbe)));
  if (!h) return echec();
  std::memcpy(*h, lues.data(), lues.size() * sizeof(Courbe));
  return h;
}

int32_t AddValeurCourbe(Portee** staff, int32_t index, int32_t tick, int16_t value, uint8_t endFlag) {
  Courbe* c = GetCourbePortee(staff, index);
  if (!c) return -1;
  if (value < c->minimum) value = c->minimum;
  if (value > c->maximum) value = c->maximum;
  if (!c->points) {
    c->points = NewHandle(0);
    if (!c->points) return -1;
  }
  int32_t n;
  PointCourbe* p = Points(c, &n);
  int32_t k = 0;
  while (k < n && p[k].temps < tick) k++;
  if (k < n && p[k].temps == tick) {
    p[k].valeur = value;
    return k;
  }
  // The curve record stays put: only its points handle grows.
  if (!RetailleHandle(c->points, Size(n + 1) * Size(sizeof(PointCourbe)))) return -1;
  p = reinterpret_cast<PointCourbe*>(*c->points);
  std::memmove(p + k + 1, p + k, size_t(n - k) * sizeof(PointCourbe));
  p[k] = PointCourbe{tick, value, endFlag, 0};
  c->nbPoints = n + 1;
  return k;
}

bool ExtraitValeurCourbePtr(const Courbe* c, int32_t tick, int16_t* value) {
  if (!c) return false;
  if (c->valeurConstante != kCourbeSansConstante) {
    if (value) *value = int16_t(c->valeurConstante);
    return true;
  }
  int32_t n;
  const PointCourbe* p = Points(c, &n);
  if (c->desactivee || n == 0) return false;
  int32_t k = 0;
  while (k < n && p[k].temps < tick) k++;
  if (k == 0) return false;
  const PointCourbe& a = p[k - 1];
  if (c->escalier) {
    if (value) *value = a.valeur;
    return true;
  }
  if (k == n || a.finSegment) return false;
  const PointCourbe& b = p[k];
  // b is the first point at or after the tick and a lies before it, so the
  // span is never empty.
  float r = float(a.valeur) +
            float(int64_t(tick) - a.temps) / float(int64_t(b.temps) - a.temps) * float(int32_t(b.valeur) - a.valeur);
  if (value) *value = int16_t(int32_t(r));
  return true;
}

bool ExtraitValeurCourbe(Portee** staff, int32_t index, int32_t tick, int16_t* value) {
  return ExtraitValeurCourbePtr(GetCourbePortee(staff, index), tick, value);
}

int16_t SaisieValeurInterpreteCourbe(const InterpreteCourbe* record, uint32_t kind) {
  if (!record) return kCourbeSansValeur;
  int slot = -1;
  switch (kind) {
    case kCourbeResr: slot = 2; break;
    case kCourbeResf: slot = 3; break;
    case kCourbeOvep: slot = 4; break;
    case kCourbeOvet: slot = 5; break;
    case kCourbeFlap: slot = 6; break;
    case kCourbeEqua: slot = 7; break;
    case kCourbeEqug: slot = 8; break;
    case kCourbeSter: slot = 9; break;
    case kCourbeRevp: slot = 10; break;
    case kCourbeVolu: slot = 11; break;
    case kCourbeFreq: slot = 12; break;
    default:
      // "VI01" to "VI17": the two last characters are a hexadecimal number;
      // the fourth and fifth trade places.
      if ((kind >> 16) == ((uint32_t('V') << 8) | 'I')) {
        auto chiffre = [](uint32_t ch) {
          return ch >= '0' && ch <= '9' ? int(ch - '0') : ch >= 'A' && ch <= 'F' ? int(ch - 'A' + 10) : -1;
        };
        int h = chiffre((kind >> 8) & 0xFF), l = chiffre(kind & 0xFF);
        int n = h >= 0 && l >= 0 ? h * 16 + l : 0;
        if (n == 4) slot = 145;
        else if (n == 5) slot = 144;
        else if (n >= 1 && n <= 0x17) slot = 140 + n;
      }
  }
  return slot < 0 ? kCourbeSansValeur : record->slots[slot];
}

int32_t CalculeValeurCourbeAAppliquer(Partition** score, Portee** staff, uint32_t kind, int32_t base) {
  int32_t v = kCourbeSansValeur;
  if (staff && (*staff)->interpreteCourbe.slots[0]) v = SaisieValeurInterpreteCourbe(&(*staff)->interpreteCourbe, kind);
  if (v == kCourbeSansValeur && score) {
    if (!(*score)->interpreteCourbe.slots[0]) return base;
    v = SaisieValeurInterpreteCourbe(&(*score)->interpreteCourbe, kind);
  }
  if (v == kCourbeSansValeur) return base;
  switch (kind) {
    case kCourbeFreq: return v * 256 / 100;
    case kCourbeSter: {
      if (base == kCourbeSansBase) return v;
      int64_t r = int64_t(v) * 64 / 100 + base;
      if (int16_t(r) < 0) return 0;
      return int32_t(std::min<int64_t>(r, 127));
    }
    case kCourbeVolu:
      if (base == kCourbeSansBase) return v;
      return int32_t(std::clamp<int64_t>(int64_t(v) * base / 100, 0, INT32_MAX));
    default: return v;
  }
}

void DeleteTimeRangeCourbes(Portee** staff, int32_t t0, int32_t t1, uint8_t keep) {
  if (!staff || t1 <= t0) return;
  int32_t nc;
  GetCourbes((*staff)->courbes, &nc);
  const int32_t d = t1 - t0;
  for (int32_t i = 0; i < nc; i++) {
    Courbe* c = GetCourbePortee(staff, i);
    int16_t apres = 0;
    const bool aApres = ExtraitValeurCourbePtr(c, t1, &apres);
    int32_t n;
    PointCourbe* p = Points(c, &n);
    // A point right at t1 moves to t0 and goes on setting what follows; the
    // resume point would overwrite it.
    bool pointEnT1 = false;
    int32_t garde = 0;
    for (int32_t j = 0; j < n; j++) {
      PointCourbe pt = p[j];
      if (pt.temps == t1) pointEnT1 = true;
      if (pt.temps >= t1) {
        pt.temps -= d;
      } else if (pt.temps >= t0) {
        if (!keep) continue;
        pt.temps = t0;
      }
      p[garde++] = pt;
    }
    if (c->points) {
      c->nbPoints = garde;
      RetailleHandle(c->points, Size(garde) * Size(sizeof(PointCourbe)));
    }
    int16_t avant = 0;
    if (aApres && !pointEnT1 && ExtraitValeurCourbePtr(c, t0, &avant) && avant != apres)
      AddValeurCourbe(staff, i, t0, apres, 0);
  }
}

void DeleteMesureCourbes(Portee** staff, int32_t bar, int32_t count) {
  if (!staff) return;
  Partition** score = (*staff)->partition;
  DeleteTimeRangeCourbes(staff, CvtMesureEnTemps(score, bar), CvtMesureEnTemps(score, bar + count), 0);
}

void DisposeCourbeIndex(Portee** staff, int32_t index) {
  Courbe* c = GetCourbePortee(staff, index);
  if (!c) return;
  if (c->points) DisposeHandle(c->points);
  int32_t n;
  Courbe* all = GetCourbes((*staff)->courbes, &n);
  if (n <= 1) {
    LibereHandle(&(*staff)->courbes);
    return;
  }
  std::memmove(all + index, all + index + 1, size_t(n - index - 1) * sizeof(Courbe));
  RetailleHandle((*staff)->courbes, Size(n - 1) * Size(sizeof(Courbe)));
}

void DisposeListeCourbes(Handle* list) {
  if (!list || !*list) return;
  int32_t n;
  Courbe* c = GetCourbes(*list, &n);
  for (int32_t i = 0; i < n; i++)
    if (c[i].points) DisposeHandle(c[i].points);
  LibereHandle(list);
}

void DisposeCourbes(Portee** staff) {
  if (!staff) return;
  DisposeListeCourbes(&(*staff)->courbes);
  (*staff)->courbeActive = 0;
}
