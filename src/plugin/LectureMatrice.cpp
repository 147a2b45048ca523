#include "plugin/LectureMatrice.h"

#include <cstring>

#include "model/Matrices.h"
#include "model/QrvFXs.h"
#include "plugin/LectureDocument.h"
#include "plugin/LectureFX.h"
#include "system/Handles.h"
#include "system/QrvFiles.h"

namespace {

// Seven words per stored row.
constexpr int64_t kTailleRangeStockee = 14;

Handle Echec(Handle matrice) {
  ioCustom.finFichier = 1;
  DeleteMatrice(&matrice);
  return nullptr;
}

}  // namespace

Handle ReadMatrice(uint32_t kind) {
  Handle matrice = NewMatrice(kind);
  // Without a Matrice the fields are read into a scratch header.
  EnteteMatrice brouillon;
  std::memset(&brouillon, 0, sizeof brouillon);
  EnteteMatrice* e = matrice ? GetEnteteMatrice(matrice) : &brouillon;
  e->valeurs[0] = uint16_t(ReadShort());
  e->valeurs[1] = uint16_t(ReadShort());
  e->octet = uint8_t(ReadCar() & 0xFF);
  ReadBlock(e->bloc, int32_t(sizeof e->bloc));
  e->mesureFinMax = ReadShort();
  for (uint16_t& v : e->valeursAffichage) v = uint16_t(ReadShort());
  const uint16_t n = uint16_t(ReadShort());
  if (ioCustom.finFichier || int64_t(n) * kTailleRangeStockee > GetStreamRemaining()) return Echec(matrice);
  if (matrice) {
    if (!RetailleHandle(matrice, Size(sizeof(EnteteMatrice)) + Size(n) * Size(sizeof(RangeMatrice)))) {
      DeleteMatrice(&matrice);
    } else {
      std::memset(GetRangesMatrice(matrice), 0, size_t(n) * sizeof(RangeMatrice));
      GetEnteteMatrice(matrice)->nbRanges = int16_t(n > INT16_MAX ? INT16_MAX : n);
    }
  }
  for (uint32_t i = 0; i < n; i++) {
    RangeMatrice r;
    std::memset(&r, 0, sizeof r);
    // The fourth and fifth stored words are the row's fifth and fourth fields:
    // a spare word, then the bank index.
    r.valeur = uint16_t(ReadShort());
    r.mesureDebut = ReadShort();
    r.mesureFin = ReadShort();
    r.bloc2[0] = uint16_t(ReadShort());
    r.indexBanque = uint16_t(ReadShort());
    r.bloc2[1] = uint16_t(ReadShort());
    r.bloc2[2] = uint16_t(ReadShort());
    if (matrice && i < uint32_t(INT16_MAX)) GetRangesMatrice(matrice)[i] = r;
  }
  if (ioCustom.finFichier) return Echec(matrice);
  if (VersionQuarvelLoad >= 0x630) {
    int16_t effets = ReadShort();
    if (effets < 0) effets = 0;
    for (int16_t i = 0; i < effets; i++) {
      int16_t* compte = matrice ? &GetEnteteMatrice(matrice)->nbFXs : nullptr;
      Handle liste = matrice ? GetEnteteMatrice(matrice)->fxs : nullptr;
      const int32_t k = compte ? NewFXGenerique(compte, &liste) : -1;
      if (matrice) GetEnteteMatrice(matrice)->fxs = liste;
      bool lu;
      if (k >= 0) {
        FX fx;
        lu = ReadFX(&fx);
        reinterpret_cast<FX*>(*GetEnteteMatrice(matrice)->fxs)[k] = fx;
      } else {
        // An effect that has no room is read past.
        FX perdu;
        lu = ReadFX(&perdu);
      }
      if (!lu) return Echec(matrice);
    }
  }
  if (ioCustom.finFichier) return Echec(matrice);
  return matrice;
}
