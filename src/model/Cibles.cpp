#include "model/Cibles.h"

#include <cstdio>
#include <cstring>

#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QrvText.h"
#include "plugin/LectureDocument.h"
#include "system/Handles.h"
#include "system/QrvFiles.h"
#include "system/ResStrings.h"
#include "system/Strings.h"
#include "text/TextEncodings.h"

namespace {

Cible* Cibles(Handle h) { return reinterpret_cast<Cible*>(*h); }

// The word before the number in a new target's name (a loose string).
constexpr int16_t kChaineNomCible = 1097;

// A stored target: an empty name, the bar, the byte and 15 reserved bytes.
constexpr int64_t kTailleMinCibleStockee = 19;

// k in bijective base 26: A for 0, Z for 25, AA for 26, ZZ for 701, AAA for 702.
void Lettres(int32_t k, char* out) {
  char inverse[16];
  int n = 0;
  while (k >= 0 && n < int(sizeof inverse)) {
    inverse[n++] = char('A' + k % 26);
    k = k / 26 - 1;
  }
  for (int i = 0; i < n; i++) out[i] = inverse[n - 1 - i];
  out[n] = 0;
}

}  // namespace

int16_t GetNbCibles(Partition** score) {
  if (!score || !(*score)->cibles) return 0;
  return int16_t(GetHandleSize((*score)->cibles) / Size(sizeof(Cible)));
}

int16_t CreeCible(Document* document, int16_t bar) {
  Partition** score = document ? document->partitionCourante : nullptr;
  if (!score) return -1;
  Partition* p = *score;
  const int16_t n = GetNbCibles(score);
  if (n == INT16_MAX) return -1;
  if (!p->cibles) p->cibles = NewHandleClear(0);
  if (!p->cibles || !RetailleHandle(p->cibles, Size(n + 1) * Size(sizeof(Cible)))) return -1;
  p = *score;
  Cible& c = Cibles(p->cibles)[n];
  std::memset(&c, 0, sizeof c);
  std::snprintf(c.nom, sizeof c.nom, "%s #%d", GetStrVracUTF(kChaineNomCible), int(bar) + 1);
  c.mesure = uint16_t(bar);
  c.sansLibelle = p->libellesCiblesAuto ? 0 : 1;
  return n;
}

int16_t CvtMesureEnCible(Document* document, int16_t bar) {
  Partition** score = document ? document->partitionCourante : nullptr;
  const int16_t n = GetNbCibles(score);
  for (int16_t i = 0; i < n; i++)
    if (Cibles((*score)->cibles)[i].mesure == uint16_t(bar)) return i;
  return -1;
}

int16_t CalculeLibelleCiblePartition(Partition** score, uint16_t kind, int32_t tick, char* out) {
  if (out) out[0] = 0;
  const int16_t n = GetNbCibles(score);
  if (!out || n == 0) return 0;
  const uint16_t bar = uint16_t(CvtTempsEnMesure(score, tick));
  int32_t k = 0;
  for (int16_t i = 0; i < n; i++) {
    const Cible& c = Cibles((*score)->cibles)[i];
    if (c.mesure != bar) {
      if (!c.sansLibelle) k++;
      continue;
    }
    if (c.sansLibelle) return 0;
    if (kind == kLibelleCibleNumero) std::snprintf(out, 32, "%d", int(k + 1));
    else if (kind == kLibelleCibleLettre) Lettres(k, out);
    else strnzcpy(out, c.nom, sizeof c.nom);
    return 1;
  }
  return 0;
}

int16_t CalculeLibelleCible(Document* document, uint16_t kind, int32_t tick, char* out) {
  return CalculeLibelleCiblePartition(document ? document->partitionCourante : nullptr, kind, tick, out);
}

void CreeLibellesCiblesAutomatiques(Document* document) {
  Partition** score = document ? document->partitionCourante : nullptr;
  if (!score || !(*score)->libellesCiblesAuto) return;
  for (int16_t s = 0; s < (*score)->nbPortees; s++) {
    Portee** staff = (*score)->portees[s];
    int32_t n;
    GetTextesPortee(staff, &n);
    for (int32_t i = n - 1; i >= 0; i--) {
      Handle h = GetTextesPortee(staff, &n)[i].texte;
      if (!h) continue;
      const Size taille = GetHandleSize(h);
      const char* t = reinterpret_cast<const char*>(*h);
      bool code = false;
      for (Size j = 0; j + 1 < taille && t[j]; j++)
        if (t[j] == '$' && t[j + 1] == '!') code = true;
      if (code) DeleteTexte(staff, i);
    }
  }
}

void InitLibelleCiblePartition(Partition** score) {
  if (!score) return;
  Partition* p = *score;
  p->libellesCiblesAuto = 1;
  p->typeLibelleCible = kLibelleCibleLettre;
  const int16_t valeurs[5] = {1, 20, 129, 24, -8};
  for (int i = 0; i < 5; i++) p->reglagesLibelleCible[i] = valeurs[i];
}

Handle ReadCibles() {
  const int16_t n = ReadShort();
  if (ioCustom.finFichier || n <= 0) return nullptr;
  if (int64_t(n) * kTailleMinCibleStockee > GetStreamRemaining()) {
    ioCustom.finFichier = 1;
    return nullptr;
  }
  Handle h = NewHandleClear(Size(n) * Size(sizeof(Cible)));
  if (!h) {
    ioCustom.finFichier = 1;
    return nullptr;
  }
  for (int16_t i = 0; i < n; i++) {
    Cible c;
    std::memset(&c, 0, sizeof c);
    ReadString(c.nom, sizeof c.nom);
    if (VersionQuarvelLoad < 0x940 && c.nom[0]) {
      int32_t longueur = 0;
      EncodedStr utf = MacRomanTextToUTF(0, c.nom, int32_t(std::strlen(c.nom)), &longueur);
      if (utf) {
        // Cut on a character boundary to fit.
        if (longueur > int32_t(sizeof c.nom) - 1) {
          longueur = int32_t(sizeof c.nom) - 1;
          while (longueur > 0 && (uint8_t(utf[longueur]) & 0xC0) == 0x80) longueur--;
        }
        std::memcpy(c.nom, utf, size_t(longueur));
        c.nom[longueur] = 0;
        DisposeEncodedStr(utf);
      }
    }
    c.mesure = uint16_t(ReadShort());
    c.sansLibelle = uint8_t(ReadCar() & 0xFF);
    ReadGap(15);
    if (ioCustom.finFichier) {
      DisposeHandle(h);
      return nullptr;
    }
    Cibles(h)[i] = c;
  }
  return h;
}

void DisposeCibles(Partition** score) {
  if (score) LibereHandle(&(*score)->cibles);
}

void AjusteCiblesQuandDeleteMesures(Partition** score, int16_t firstBar, int16_t count) {
  if (!score || firstBar < 0 || count < 1) return;
  const int32_t n = GetNbCibles(score);
  if (n == 0) return;
  const int32_t fin = int32_t(firstBar) + count;
  Cible* c = Cibles((*score)->cibles);
  int32_t k = 0;
  for (int32_t i = 0; i < n; i++) {
    if (c[i].mesure >= firstBar && c[i].mesure < fin) continue;
    if (k != i) c[k] = c[i];
    if (c[k].mesure >= fin) c[k].mesure = uint16_t(c[k].mesure - count);
    k++;
  }
  if (k == 0) LibereHandle(&(*score)->cibles);
  else if (k != n) RetailleHandle((*score)->cibles, Size(k) * Size(sizeof(Cible)));
}
