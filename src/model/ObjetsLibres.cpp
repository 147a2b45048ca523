#include "model/ObjetsLibres.h"

#include <cstring>

#include "layout/DonneesMiseEnPage.h"
#include "layout/ServicesMiseEnPage.h"
#include "model/Document.h"
#include "model/Partition.h"
#include "platform/Printing.h"
#include "plugin/LectureDocument.h"
#include "system/Handles.h"
#include "system/Offscreens.h"
#include "system/PictConversion.h"
#include "system/QrvFiles.h"
#include "text/TextEncodings.h"

namespace {

ObjetLibre* Objets(Handle h) { return reinterpret_cast<ObjetLibre*>(*h); }

// A stored object takes at least this many bytes: its numbers, two empty
// strings, an empty data block, a text style and the reserved bytes.
constexpr int64_t kTailleMinObjetStocke = 60;
// A count of this value is followed by the real count on 32 bits.
constexpr int16_t kCompteLong = 32767;
// Objects beyond this number cannot be indexed (indexes are 16-bit).
constexpr int32_t kMaxObjetsLibres = 32767;

void LibereDonnees(ObjetLibre* o) {
  LibereHandle(&o->donnees);
  if (o->image) DisposeImage(&o->image);
  o->image = nullptr;
}

// Appends a zero-filled record; its index, or -1.
int32_t AjouteEnreg(Partition** score) {
  const int16_t n = NbObjetsLibres(score);
  if (n >= kMaxObjetsLibres) return -1;
  Partition* p = *score;
  if (!p->objetsLibres) p->objetsLibres = NewHandleClear(0);
  if (!p->objetsLibres || !RetailleHandle(p->objetsLibres, Size(n + 1) * Size(sizeof(ObjetLibre)))) return -1;
  std::memset(Objets((*score)->objetsLibres) + n, 0, sizeof(ObjetLibre));
  return n;
}

// Text boxes of documents before Unicode hold Mac Roman text.
void ConvertitTexteMacRoman(ObjetLibre* o) {
  o->style.face |= kFaceObjetLibreUTF8;
  if (!o->donnees) return;
  const Size taille = GetHandleSize(o->donnees);
  const char* t = reinterpret_cast<const char*>(*o->donnees);
  const int32_t longueur = int32_t(strnlen(t, size_t(taille)));
  int32_t n = 0;
  EncodedStr utf = MacRomanTextToUTF(0, t, longueur, &n);
  if (!utf) return;
  Handle h = NewHandle(Size(n) + 1);
  if (h) {
    std::memcpy(*h, utf, size_t(n));
    (*h)[n] = 0;
    DisposeHandle(o->donnees);
    o->donnees = h;
  }
  DisposeEncodedStr(utf);
}

// The data block grows with the bytes that come, so that a damaged length
// never asks for more memory than the stream holds.
bool LitDonnees(Handle* donnees, int32_t longueur) {
  constexpr int32_t kPas = 1 << 20;
  *donnees = NewHandle(Size(longueur < kPas ? longueur : kPas));
  if (!*donnees) return false;
  int32_t lus = 0;
  while (lus < longueur) {
    int32_t capacite = int32_t(GetHandleSize(*donnees));
    if (capacite == lus) {
      capacite = lus > longueur - lus ? longueur : lus * 2;
      if (!RetailleHandle(*donnees, Size(capacite))) return false;
    }
    const int32_t k = capacite - lus;
    ReadBlock(**donnees + lus, k);
    if (ioCustom.finFichier) return false;
    lus += k;
  }
  return true;
}

// One stored object into `o` (zero-filled); false when the stream ended, a
// data length does not fit or its block cannot be made.
bool LitObjet(ObjetLibre* o) {
  o->type = uint32_t(ReadCar() & 0xFF);
  o->valeurs1[0] = ReadLong();
  o->valeurs1[1] = ReadLong();
  o->valeur1 = ReadShort();
  ReadString(o->chaines[0], sizeof o->chaines[0]);
  ReadString(o->chaines[1], sizeof o->chaines[1]);
  const int32_t longueur = ReadLong();
  if (ioCustom.finFichier || longueur < 0 || longueur > GetStreamRemaining()) return false;
  if (!LitDonnees(&o->donnees, longueur)) return false;
  o->valeur2 = uint32_t(ReadCar() & 0xFF);
  o->valeur3 = ReadShort();
  ReadRect(&o->rect);
  o->ancre = uint32_t(ReadCar() & 0xFF);
  o->secondeClasse = uint8_t(ReadCar() & 0xFF);
  ReadTextStyle(&o->style);
  o->octet1 = uint8_t(ReadCar() & 0xFF);
  o->ancienFormat = uint32_t(ReadCar() & 0xFF);
  for (int16_t& v : o->valeurs3) v = ReadShort();
  o->octet2 = uint8_t(ReadCar() & 0xFF);
  if (VersionQuarvelLoad >= 0x920) o->valeurSysteme = ReadShort();
  if (VersionQuarvelLoad >= 0x940) o->idVue = ReadLong();
  o->page = int16_t(ReadShort() - 1);
  const uint8_t flags = uint8_t(ReadCar() & 0xFF);
  o->flags[0] = flags & 1;
  o->flags[1] = (flags >> 1) & 1;
  if (VersionQuarvelLoad >= 0x963) ReadUTFString(o->nom, sizeof o->nom);
  ReadGap(12);
  if (ioCustom.finFichier) return false;
  if (VersionQuarvelLoad < 0x964 && o->type == kObjetLibreImage) {
    o->octet2 = 0;
    if (o->ancienFormat == 1 && o->donnees) ConvertPictureFromOldFormat(o->donnees);
  }
  if (VersionQuarvelLoad < 0x920 && o->type == kObjetLibreTexte) ConvertitTexteMacRoman(o);
  return true;
}

}  // namespace

int16_t NbObjetsLibres(Partition** score) {
  if (!score || !(*score)->objetsLibres) return 0;
  const Size n = GetHandleSize((*score)->objetsLibres) / Size(sizeof(ObjetLibre));
  return int16_t(n > kMaxObjetsLibres ? kMaxObjetsLibres : n);
}

int16_t NewObjetLibre(Document* document, uint32_t type) {
  Partition** score = document ? document->partitionCourante : nullptr;
  if (!score) return -1;
  Handle donnees = NewHandleClear(1);
  if (!donnees) return -1;
  const int32_t i = AjouteEnreg(score);
  if (i < 0) {
    DisposeHandle(donnees);
    return -1;
  }
  ObjetLibre& o = Objets((*score)->objetsLibres)[i];
  o.type = type;
  o.donnees = donnees;
  o.style.face = kFaceObjetLibreUTF8;
  o.rect = Rect{0, 100, 200, 300};
  o.page = -1;
  return int16_t(i);
}

void LibereObjetLibre(Partition** score, int16_t index) {
  const int16_t n = NbObjetsLibres(score);
  if (index < 0 || index >= n) return;
  ObjetLibre* o = Objets((*score)->objetsLibres);
  LibereDonnees(o + index);
  std::memmove(o + index, o + index + 1, size_t(n - 1 - index) * sizeof(ObjetLibre));
  if (n == 1) LibereHandle(&(*score)->objetsLibres);
  else RetailleHandle((*score)->objetsLibres, Size(n - 1) * Size(sizeof(ObjetLibre)));
}

void LibereObjetsLibres(Partition** score) {
  if (!score) return;
  for (int16_t i = int16_t(NbObjetsLibres(score) - 1); i >= 0; i--) LibereObjetLibre(score, i);
  LibereHandle(&(*score)->objetsLibres);
}

int16_t ReadObjetsLibres(Partition** score) {
  if (!score) return 0;
  LibereObjetsLibres(score);
  if (VersionQuarvelLoad < 0x780) return 1;
  int32_t n = ReadShort();
  if (n == kCompteLong) n = ReadLong();
  if (ioCustom.finFichier) return 0;
  if (n <= 0) return 1;
  if (n > kMaxObjetsLibres || int64_t(n) * kTailleMinObjetStocke > GetStreamRemaining()) {
    ioCustom.finFichier = 1;
    return 0;
  }
  for (int32_t k = 0; k < n; k++) {
    ObjetLibre o;
    std::memset(&o, 0, sizeof o);
    const bool lu = LitObjet(&o);
    const int32_t i = lu ? AjouteEnreg(score) : -1;
    if (i < 0) {
      // What was read of a failed object is its own; the ones before stay
      // with the score, and the stream is ended so that nothing reads on out
      // of step.
      LibereDonnees(&o);
      ioCustom.finFichier = 1;
      return 0;
    }
    Objets((*score)->objetsLibres)[i] = o;
  }
  return 1;
}

void AjouteObjetLibreSysteme(Document* document, MiseEnPage* setup, const PrInfo* printInfo, int16_t index,
                             int16_t page, int16_t inFront) {
  Partition** score = document ? document->partitionCourante : nullptr;
  if (!score || !printInfo || index < 0 || index >= NbObjetsLibres(score)) return;
  const ObjetLibre o = Objets((*score)->objetsLibres)[index];
  const uint8_t option = document->placementObjetsLibres;
  if (option == 3) return;
  if (option != 0 && !(option & (o.secondeClasse ? 1 : 2))) return;
  if (page < 0 || page >= CombienDePages(score)) return;
  Systeme s;
  SetSystemeDefaut(&s);
  s.type = kSystemeObjetLibre;
  s.indexObjetLibre = index;
  const Rect& p = printInfo->page;
  auto px = [setup](int16_t v) { return int32_t(CvtPosDixiemeMMEnPixel(setup, v)); };
  int32_t gauche, droite, haut, bas;
  if (o.ancre & kAncreObjetLibreDroite) {
    gauche = p.right - px(o.rect.right);
    droite = p.right - px(o.rect.left);
  } else {
    gauche = p.left + px(o.rect.left);
    droite = p.left + px(o.rect.right);
  }
  if (o.ancre & kAncreObjetLibreBas) {
    haut = p.bottom - px(o.rect.bottom);
    bas = p.bottom - px(o.rect.top);
  } else {
    haut = p.top + px(o.rect.top);
    bas = p.top + px(o.rect.bottom);
  }
  auto borne = [](int32_t v) { return int16_t(v < -32767 ? -32767 : v > 32767 ? 32767 : v); };
  s.rectMiseEnPage = Rect{borne(haut), borne(gauche), borne(bas), borne(droite)};
  s.rectDessin = s.rectMiseEnPage;
  if ((o.type == kObjetLibreTexte || o.type == kObjetLibreImage) && o.valeurSysteme != 0)
    s.angleTexte = o.valeurSysteme;
  AjouteSysteme(score, page, &s, 0, inFront == 0);
}
