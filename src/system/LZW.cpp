#include "system/LZW.h"

#include <cstring>

#include "platform/Memory.h"

namespace {

constexpr int kNbNoeuds = 4096;
constexpr int kPremierLibre = 256;
constexpr int kLargeurInitiale = 9;
constexpr int kTailleSortie = 8192;
constexpr int16_t kAucun = -1;

// ---- Coder ----------------------------------------------------------------

// A node is the string of its parent plus one byte; its children are its
// one-byte extensions, chained through their sibling links.
struct NoeudCode {
  uint16_t car;
  uint16_t code;
  int16_t enfant;
  int16_t frere;
};

struct Codeur {
  NoeudCode* noeuds;
  int16_t courant;
  int16_t prochainLibre;
  uint8_t largeur;
  uint32_t accu;
  uint8_t nbBits;
  bool premierOctet;
  uint8_t erreur;
};

Codeur gCode = {};

void EcritCode(uint16_t code, FILE* f) {
  gCode.accu = (gCode.accu << gCode.largeur) | code;
  gCode.nbBits = uint8_t(gCode.nbBits + gCode.largeur);
  while (gCode.nbBits >= 8) {
    gCode.nbBits = uint8_t(gCode.nbBits - 8);
    if (putc(int((gCode.accu >> gCode.nbBits) & 0xFF), f) == EOF) gCode.erreur = 1;
  }
  gCode.accu &= (1u << gCode.nbBits) - 1;
}

// ---- Decoder --------------------------------------------------------------

struct NoeudDecode {
  uint16_t car;
  int16_t prefixe;
};

enum : uint8_t { kAvanceVide = 0, kAvanceOctet = 1, kAvanceFin = 2 };

struct Decodeur {
  NoeudDecode* noeuds;
  uint8_t* sortie;
  int16_t nbSortie;   // decoded bytes in the buffer
  int16_t posSortie;  // next one to hand out
  int16_t prochainLibre;
  uint8_t largeur;
  int16_t codePrecedent;
  uint8_t premierCar;
  uint32_t accu;
  uint8_t nbBits;
  uint8_t avance;  // look-ahead status
  uint8_t octetAvance;
  bool premierCode;
  bool plein;
  bool fini;
};

Decodeur gDecode = {};

void LibereDecodeur() {
  DisposePtr(reinterpret_cast<Ptr>(gDecode.noeuds));
  DisposePtr(reinterpret_cast<Ptr>(gDecode.sortie));
  gDecode.noeuds = nullptr;
  gDecode.sortie = nullptr;
}

void LitAvance(FILE* f) {
  int c = getc(f);
  if (c == EOF) {
    gDecode.avance = kAvanceFin;
  } else {
    gDecode.avance = kAvanceOctet;
    gDecode.octetAvance = uint8_t(c);
  }
}

// One code of the current width, or -1 when the stretch ends inside it.
int32_t LitCode(FILE* f) {
  while (gDecode.nbBits < gDecode.largeur) {
    int c;
    if (gDecode.avance == kAvanceOctet) {
      c = gDecode.octetAvance;
      gDecode.avance = kAvanceVide;
    } else if (gDecode.avance == kAvanceFin) {
      return -1;
    } else {
      c = getc(f);
      if (c == EOF) {
        gDecode.avance = kAvanceFin;
        return -1;
      }
    }
    gDecode.accu = (gDecode.accu << 8) | uint32_t(c);
    gDecode.nbBits = uint8_t(gDecode.nbBits + 8);
  }
  gDecode.nbBits = uint8_t(gDecode.nbBits - gDecode.largeur);
  int32_t code = int32_t((gDecode.accu >> gDecode.nbBits) & ((1u << gDecode.largeur) - 1));
  gDecode.accu &= (1u << gDecode.nbBits) - 1;
  return code;
}

// Appends the string of a node to the output buffer, first character first, and
// gives that first character. Prefix links always point to lower indexes, so the
// walk ends; its length never exceeds the dictionary's.
bool ecrire_chainage(int16_t noeud, uint8_t* premier) {
  int longueur = 0;
  for (int16_t n = noeud; n != kAucun; n = gDecode.noeuds[n].prefixe) longueur++;
  if (gDecode.nbSortie + longueur > kTailleSortie) return false;
  int fin = gDecode.nbSortie + longueur;
  int i = fin;
  for (int16_t n = noeud; n != kAucun; n = gDecode.noeuds[n].prefixe)
    gDecode.sortie[--i] = uint8_t(gDecode.noeuds[n].car);
  gDecode.nbSortie = int16_t(fin);
  *premier = gDecode.sortie[i];
  return true;
}

void RepartDictionnaire() {
  gDecode.prochainLibre = kPremierLibre;
  gDecode.largeur = kLargeurInitiale;
}

// Bytes that can't be codes of this format end the stretch: handing out bytes
// past them would only shift the rest of the document.
void Corrompu() { gDecode.fini = true; }

// The first code of a dictionary is always a single byte.
void PremierCode(FILE* f) {
  int32_t code = LitCode(f);
  if (code < 0) {
    gDecode.fini = true;
    return;
  }
  if (code >= kPremierLibre) {
    Corrompu();
    return;
  }
  uint8_t premier;
  ecrire_chainage(int16_t(code), &premier);
  gDecode.codePrecedent = int16_t(code);
  gDecode.premierCar = premier;
}

void CodeSuivant(FILE* f) {
  int32_t code = LitCode(f);
  if (code < 0) {
    gDecode.fini = true;
    return;
  }
  if (code > gDecode.prochainLibre) {
    Corrompu();
    return;
  }
  uint8_t premier;
  if (code == gDecode.prochainLibre) {
    // The string being defined: the previous one followed by its own first byte.
    if (!ecrire_chainage(gDecode.codePrecedent, &premier)) {
      Corrompu();
      return;
    }
    gDecode.sortie[gDecode.nbSortie++] = premier;
  } else if (!ecrire_chainage(int16_t(code), &premier)) {
    Corrompu();
    return;
  }
  gDecode.premierCar = premier;
  if (gDecode.prochainLibre == kNbNoeuds - 2) {
    gDecode.plein = true;
  } else {
    NoeudDecode& n = gDecode.noeuds[gDecode.prochainLibre];
    n.car = premier;
    n.prefixe = gDecode.codePrecedent;
    gDecode.prochainLibre++;
    if (gDecode.prochainLibre + 1 == (1 << gDecode.largeur) && gDecode.largeur < 12) gDecode.largeur++;
  }
  gDecode.codePrecedent = int16_t(code);
}

}  // namespace

// ---- Coder ----------------------------------------------------------------

int16_t InitCodeLZW() {
  if (!gCode.noeuds) gCode.noeuds = reinterpret_cast<NoeudCode*>(NewPtrClear(Size(kNbNoeuds * sizeof(NoeudCode))));
  gCode.accu = 0;
  gCode.nbBits = 0;
  gCode.erreur = 0;
  gCode.premierOctet = true;
  return gCode.noeuds ? 1 : 0;
}

int16_t PutcLZW(uint8_t c, FILE* f) {
  if (!gCode.noeuds) {
    gCode.erreur = 1;
    return 1;
  }
  NoeudCode* noeuds = gCode.noeuds;
  if (gCode.premierOctet) {
    for (int i = 0; i < kNbNoeuds; i++) {
      noeuds[i].car = uint16_t(i < kPremierLibre ? i : 0);
      noeuds[i].code = uint16_t(i);
      noeuds[i].enfant = kAucun;
      noeuds[i].frere = kAucun;
    }
    gCode.prochainLibre = kPremierLibre;
    gCode.largeur = kLargeurInitiale;
    gCode.courant = c;
    gCode.premierOctet = false;
    return gCode.erreur;
  }
  int16_t dernier = kAucun;
  for (int16_t n = noeuds[gCode.courant].enfant; n != kAucun; n = noeuds[n].frere) {
    if (noeuds[n].car == c) {
      gCode.courant = n;
      return gCode.erreur;
    }
    dernier = n;
  }
  EcritCode(noeuds[gCode.courant].code, f);
  int16_t nouveau = gCode.prochainLibre;
  noeuds[nouveau].car = c;
  noeuds[nouveau].code = uint16_t(nouveau);
  noeuds[nouveau].enfant = kAucun;
  noeuds[nouveau].frere = kAucun;
  if (dernier == kAucun) noeuds[gCode.courant].enfant = nouveau;
  else noeuds[dernier].frere = nouveau;
  gCode.prochainLibre++;
  if (gCode.prochainLibre == (1 << gCode.largeur)) gCode.largeur++;
  if (gCode.prochainLibre == kNbNoeuds) {
    for (int i = 0; i < kNbNoeuds; i++) {
      noeuds[i].enfant = kAucun;
      noeuds[i].frere = kAucun;
    }
    gCode.prochainLibre = kPremierLibre;
    gCode.largeur = kLargeurInitiale;
  }
  gCode.courant = c;
  return gCode.erreur;
}

void EndCodeLZW(FILE* f) {
  if (!gCode.noeuds) return;
  if (!gCode.premierOctet) {
    EcritCode(gCode.noeuds[gCode.courant].code, f);
    if (gCode.nbBits > 0 && putc(int((gCode.accu << (8 - gCode.nbBits)) & 0xFF), f) == EOF) gCode.erreur = 1;
  }
  gCode.accu = 0;
  gCode.nbBits = 0;
  DisposePtr(reinterpret_cast<Ptr>(gCode.noeuds));
  gCode.noeuds = nullptr;
}

// ---- Decoder --------------------------------------------------------------

void InitDecodeLZW(FILE* f) {
  LibereDecodeur();
  gDecode = Decodeur{};
  LitAvance(f);
  if (gDecode.avance == kAvanceFin) {
    gDecode.fini = true;
    return;
  }
  gDecode.noeuds = reinterpret_cast<NoeudDecode*>(NewPtrClear(Size(kNbNoeuds * sizeof(NoeudDecode))));
  gDecode.sortie = reinterpret_cast<uint8_t*>(NewPtrClear(kTailleSortie));
  if (!gDecode.noeuds || !gDecode.sortie) {
    // Without its tables the decoder has nothing to hand out.
    LibereDecodeur();
    gDecode.fini = true;
    return;
  }
  for (int i = 0; i < kNbNoeuds; i++) {
    gDecode.noeuds[i].car = uint16_t(i < kPremierLibre ? i : 0);
    gDecode.noeuds[i].prefixe = kAucun;
  }
  RepartDictionnaire();
  gDecode.premierCode = true;
}

int16_t GetcLZW(FILE* f) {
  if (gDecode.posSortie >= gDecode.nbSortie) {
    gDecode.posSortie = 0;
    gDecode.nbSortie = 0;
    if (!gDecode.fini && gDecode.sortie) {
      if (gDecode.avance == kAvanceVide) LitAvance(f);
      if (gDecode.avance == kAvanceFin && gDecode.nbBits < gDecode.largeur) {
        gDecode.fini = true;
      } else if (gDecode.premierCode) {
        gDecode.premierCode = false;
        PremierCode(f);
      } else if (gDecode.plein) {
        gDecode.plein = false;
        RepartDictionnaire();
        PremierCode(f);
      } else {
        CodeSuivant(f);
      }
    }
    if (gDecode.posSortie >= gDecode.nbSortie) return -1;
  }
  uint8_t c = gDecode.sortie[gDecode.posSortie++];
  if (gDecode.posSortie >= gDecode.nbSortie) {
    gDecode.posSortie = 0;
    gDecode.nbSortie = 0;
  }
  return c;
}

void EndDecodeLZW(FILE* f) {
  if (!gDecode.noeuds && !gDecode.sortie && gDecode.avance != kAvanceOctet) return;
  int32_t attente = GetAttenteDecodeLZW();
  if (gDecode.avance == kAvanceOctet) {
    // A look-ahead byte taken but never used as code bits belongs to what follows.
    ungetc(gDecode.octetAvance, f);
  } else if (attente > 0) {
    // The reader stopped inside a decoded string: step back as the format's
    // writer expects.
    long pos = ftell(f);
    long cible = pos - (attente + 1);
    if (pos >= 0) fseek(f, cible > 0 ? cible : 0, SEEK_SET);
  }
  LibereDecodeur();
  gDecode.avance = kAvanceVide;
  gDecode.nbSortie = 0;
  gDecode.posSortie = 0;
}

bool IsFinDecodeLZW() { return gDecode.fini && gDecode.posSortie >= gDecode.nbSortie; }

int32_t GetAttenteDecodeLZW() {
  if (gDecode.nbSortie != 0 && gDecode.nbSortie >= gDecode.posSortie) return gDecode.nbSortie - gDecode.posSortie;
  return 0;
}
