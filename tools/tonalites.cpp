// tonalites: prints, for a staff with key and clef changes, the key-table
// lookups bar by bar with the header widths layout reserves; the table of
// every standard key moved up and down by every interval; and a concert-key
// round trip over transposing staves.
// Usage: tonalites [dpi]   (destination resolution, 72 by default)
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "layout/ModeGraphique.h"
#include "layout/Zoom.h"
#include "model/Document.h"
#include "model/QRVPOBJ.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "model/Tonalite.h"
#include "model/TonaliteMaths.h"
#include "model/Vues.h"
#include "platform/Memory.h"
#include "sound/SINSTRUM.h"
#include "text/Fontes.h"

namespace {

std::string NomTonalite(const Tonalite& k) {
  static const char* noms = "CDEFGAB";
  std::string s(1, noms[((k.degreTonique % 7) + 7) % 7]);
  switch (k.alterationTonique) {
    case 1: s += "#"; break;
    case 3: s += "b"; break;
    case 4: s += "x"; break;
    case 5: s += "bb"; break;
    default: break;
  }
  s += k.mode == 1 ? "" : "m";
  int16_t std = CvtTonaliteEnTonaliteStd(&k);
  if (std > 0) s += "(" + std::to_string(std <= 7 ? std : std - 7) + (std <= 7 ? "#)" : "b)");
  return s;
}

const char* NomClef(const Clef& c) {
  if (c.type == kClefFa) return "bass";
  if (c.type == kClefUt) return c.decalageLigne == 1 ? "tenor" : "alto";
  return "treble";
}

std::string Flags(uint32_t f) {
  std::string s;
  s += f & kVisibleClef ? 'C' : '-';
  s += f & kVisibleArmure ? 'K' : '-';
  s += f & kVisibleSignature ? 'T' : '-';
  return s;
}

Tonalite Std(int16_t i, int32_t mode = 1) {
  Tonalite k;
  CvtTonaliteStdEnTonalite(i, mode, &k);
  return k;
}

void AjouteNote(Portee** staff, int8_t kind, int32_t duree) {
  Portee* p = *staff;
  int32_t n = p->nbNotes;
  if (!p->notes) p->notes = NewHandleClear(0);
  SetHandleSize((*staff)->notes, Size(n + 1) * Size(sizeof(Signe)));
  Signe& s = reinterpret_cast<Signe*>(*(*staff)->notes)[n];
  RazNote(&s, kind, duree);
  (*staff)->nbNotes = n + 1;
}

Document* NouveauDocument() { return reinterpret_cast<Document*>(NewPtrClear(Size(sizeof(Document)))); }

void LibereDocument(Document* doc) {
  while (doc->nbPartitions > 0) SupprimePartition(doc, doc->partitions[doc->nbPartitions - 1]);
  DisposeVuesDocument(doc);
  DisposePtr(reinterpret_cast<Ptr>(doc));
}

Partition** NouvellePartition(Document* doc, int16_t bars) {
  Partition** score = NewPartition(doc);
  AddEltTabEltMesureRuban(score, bars);
  (*score)->nbMesures = bars;
  UpdateTabEltMesure(score, kTabEltTout);
  return score;
}

void TableDesCles() {
  std::printf("== Key table of a staff with key and clef changes (widths in pixels at %d dpi)\n", GetDpiDest());
  Document* doc = NouveauDocument();
  Partition** score = NouvellePartition(doc, 12);
  // The built-in engraving spaces around clefs, keys and time signatures.
  GetDefautModeGraphique(&(*score)->modeGraphique);
  Portee** staff = NewPortee(score, kTypePorteeStandard);
  (*staff)->affichee = 1;
  Tonalite d = Std(2), bb = Std(9);
  Clef fa, ut;
  CvtTypeClefEnClefStandard(kClefFa, &fa);
  CvtTypeClefEnClefStandard(kClefUt, &ut);
  FixeTonaliteEtClefMesure(score, staff, 3, &d, nullptr, 0, kVisibleArmure, 0, kLienTonaliteAucun);
  FixeClefMesure(score, staff, 6, &fa, 0);
  FixeVisibleMesure(score, staff, 6, kVisibleClef, kVisibleClef);
  FixeTonaliteEtClefMesure(score, staff, 9, &bb, &ut, 0, kVisibleClef | kVisibleArmure, kVisibleClef | kVisibleArmure,
                           kLienTonaliteAucun);
  UpdateTabEltMesure(score, kTabEltTout);
  std::printf("entries:");
  int32_t n;
  const EltTabTonalite* t = GetEltsTabTonalite(staff, &n);
  for (int32_t i = 0; i < n; i++)
    std::printf(" [bar %u %s %s %s]", t[i].mesure, NomTonalite(t[i].tonalite).c_str(), NomClef(t[i].clef),
                Flags(t[i].visible).c_str());
  std::printf("\n%4s %5s %6s %-8s %-7s %4s %5s %6s %6s %7s %8s\n", "bar", "exact", "force", "key", "clef", "base",
              "shown", "remind", "header", "courtesy", "linestart");
  for (int16_t bar = -1; bar < 12; bar++) {
    Tonalite k;
    Clef c;
    CvtMesureEnTonalite(staff, bar, &k);
    CvtMesureEnClef(staff, bar, &c);
    std::printf("%4d %5d %6d %-8s %-7s %4d %5s %6s %6d %7d %8d\n", bar, CvtNumMesureEnIndxTabTonalite(staff, bar),
                CvtNumMesureEnLastIndxTabTonalite(staff, bar), NomTonalite(k).c_str(), NomClef(c),
                CvtMesureEnNoteDeBase(staff, bar), Flags(CvtMesureEnVisible(staff, bar)).c_str(),
                Flags(CvtMesureEnRappel(staff, bar)).c_str(),
                bar >= 0 ? CalculeTailleClePixelEcranPorteeMesure(score, nullptr, bar) : 0,
                bar >= 0 ? CalculeLargeurEcranCleRappel(score, bar) : 0,
                bar >= 0 ? CalculeLargeurEcranCleDebutLigneImpression(score, bar) : 0);
  }
  std::printf("widest clef area of the bar table: %d\n\n", CalculeMaxTailleClePixelEcran(score));
  LibereDocument(doc);
}

void TableDesTranspositions() {
  for (int32_t mode : {1, 0}) {
    std::printf("== %s keys moved by n semitones (CvtTonaliteDemiTonEnNouvelleTonalite)\n", mode ? "Major" : "Minor");
    std::printf("%-10s", "key \\ n");
    for (int16_t s = -11; s <= 11; s++) std::printf("%9d", s);
    std::printf("\n");
    for (int16_t i = 0; i < kNbTonalitesStd; i++) {
      Tonalite k = Std(i, mode);
      std::printf("%-10s", NomTonalite(k).c_str());
      for (int16_t s = -11; s <= 11; s++) {
        Tonalite r;
        CvtTonaliteDemiTonEnNouvelleTonalite(&k, s, &r);
        std::printf("%9s", NomTonalite(r).c_str());
      }
      std::printf("\n");
    }
    std::printf("\n");
  }
}

void AllerRetourConcertKey() {
  std::printf("== Concert-key round trip\n");
  Document* doc = NouveauDocument();
  Partition** score = NouvellePartition(doc, 8);
  const int16_t transpositions[] = {-2, -9, 9, -12, 0};
  std::vector<Portee**> staves;
  for (int16_t tr : transpositions) {
    Portee** p = NewPortee(score, kTypePorteeStandard);
    (*p)->affichee = 1;
    int16_t i = AjouteInstrument(score);
    reinterpret_cast<Instrument*>(*(*score)->instruments)[i].transposition = tr;
    (*p)->instrument = i;
    Tonalite d = Std(2), f = Std(8);
    FixeTonaliteMesure(score, p, 0, &d, 0);
    FixeTonaliteEtClefMesure(score, p, 4, &f, nullptr, 0, kVisibleArmure, 0, kLienTonaliteAucun);
    for (int8_t pitch : {62, 66, 69, 74}) AjouteNote(p, pitch, 80640);
    AjouteNote(p, kSigneSilence, 80640);
    staves.push_back(p);
  }
  auto Etat = [&](const char* titre) {
    std::printf("%s (concert key %d)\n", titre, GetModeConcertKey(score));
    for (Portee** p : staves) {
      Tonalite k0, k4;
      CvtMesureEnTonalite(p, 0, &k0);
      CvtMesureEnTonalite(p, 4, &k4);
      int32_t n;
      Signe* s = GetSignesPortee(p, &n);
      std::printf("  transposition %3d shift %3d  keys %-8s %-8s notes",
                  reinterpret_cast<Instrument*>(*(*score)->instruments)[(*p)->instrument].transposition,
                  (*p)->decalageConcertKey, NomTonalite(k0).c_str(), NomTonalite(k4).c_str());
      for (int32_t i = 0; i < n; i++) std::printf(" %d", s[i].kind);
      std::printf("\n");
    }
  };
  std::vector<std::vector<int8_t>> avant;
  std::vector<std::vector<Tonalite>> clesAvant;
  for (Portee** p : staves) {
    int32_t n;
    Signe* s = GetSignesPortee(p, &n);
    std::vector<int8_t> h;
    for (int32_t i = 0; i < n; i++) h.push_back(s[i].kind);
    avant.push_back(h);
    const EltTabTonalite* t = GetEltsTabTonalite(p, &n);
    std::vector<Tonalite> c;
    for (int32_t i = 0; i < n; i++) c.push_back(t[i].tonalite);
    clesAvant.push_back(c);
  }
  Etat("written");
  SetModeConcertKey(score, 1);
  Etat("sounding");
  SetModeConcertKey(score, 0);
  Etat("back");
  bool pareil = true;
  for (size_t j = 0; j < staves.size(); j++) {
    int32_t n;
    Signe* s = GetSignesPortee(staves[j], &n);
    for (int32_t i = 0; i < n; i++) pareil &= s[i].kind == avant[j][size_t(i)];
    const EltTabTonalite* t = GetEltsTabTonalite(staves[j], &n);
    pareil &= size_t(n) == clesAvant[j].size();
    for (int32_t i = 0; i < n && size_t(i) < clesAvant[j].size(); i++)
      pareil &= CmpTonalite(&t[i].tonalite, &clesAvant[j][size_t(i)]);
    pareil &= (*staves[j])->decalageConcertKey == 0;
    pareil &= reinterpret_cast<Instrument*>(*(*score)->instruments)[(*staves[j])->instrument].transposition ==
              transpositions[j];
  }
  std::printf("round trip leaves the score unchanged: %s\n", pareil ? "yes" : "NO");
  LibereDocument(doc);
}

}  // namespace

int main(int argc, char** argv) {
  if (!ActiveFonteVellari(TAMREL_RESOURCES "/SVELLARI.TTF")) std::fprintf(stderr, "music font not activated\n");
  SetDpiDest(int16_t(argc > 1 ? std::atoi(argv[1]) : 72));
  TableDesCles();
  TableDesTranspositions();
  AllerRetourConcertKey();
  return 0;
}
