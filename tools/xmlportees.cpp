// xmlportees [--skeleton | --notes] FILE...: imports MusicXML files (.xml,
// .musicxml or .mxl) as a preview would and prints what the parts became: each
// staff with its name, abbreviation, type, instrument, shown lines and merge
// flags, the part groups (braces), then the bars with their start, time
// signature and counting, the clef and key changes of every staff and the bar
// lines, repeats and endings. With --notes, then every staff's notes: start,
// pitch, duration, flags, tuplet, accidental, head, ties and slurs, beam links,
// grace notes and marks.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <strings.h>

#include "import/MXLContainer.h"
#include "import/MusicXML.h"
#include "layout/MiseEnPage.h"
#include "layout/ModesEcran.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/ParamEffet.h"
#include "model/PartGroups.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/QrvLiaison.h"
#include "model/Ruptures.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "model/Tonalite.h"
#include "model/Vues.h"
#include "platform/Memory.h"
#include "sound/SINSTRUM.h"

namespace {

const char* const kTypes[] = {"standard", "?", "drums", "lyrics", "tempo", "?", "?", "tablature", "drums-std"};

Handle LitFichier(const char* path) {
  size_t len = std::strlen(path);
  if (len > 4 && strcasecmp(path + len - 4, ".mxl") == 0) return LoadMXL(path);
  FILE* f = std::fopen(path, "rb");
  if (!f) return nullptr;
  std::string bytes;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
  std::fclose(f);
  Handle h = NewHandle(Size(bytes.size()));
  if (h) std::memcpy(*h, bytes.data(), bytes.size());
  return h;
}

std::string Cle(const Tonalite& k) {
  static const char* kSignes[] = {"", "#", "n", "b", "x", "bb"};
  std::string s = std::string(1, "CDEFGAB"[k.degreTonique % 7]);
  if (k.alterationTonique == 1 || k.alterationTonique == 3) s += kSignes[k.alterationTonique];
  s += k.mode == 1 ? " major" : " minor";
  int sharps = 0, flats = 0;
  for (uint8_t a : k.alterations) sharps += a == 1, flats += a == 3;
  char t[32];
  std::snprintf(t, sizeof t, " (%d#, %db)", sharps, flats);
  return s + t;
}

std::string NomClef(const Clef& c) {
  char t[48];
  std::snprintf(t, sizeof t, "%s%+d%s",
                c.type == kClefFa   ? "F"
                : c.type == kClefUt ? "C"
                                    : "G",
                c.decalageLigne, c.decalageOctave ? (c.decalageOctave > 0 ? " 8va" : " 8vb") : "");
  return t;
}

void Imprime(Document* doc) {
  Partition** score = doc->partitionCourante;
  std::printf("  titles: \"%s\" / \"%s\" / \"%s\"; tempo %d; reserved pages %d\n", doc->titres[0].texte,
              doc->titres[1].texte, doc->titres[2].texte, (*score)->tempo, doc->nbPagesReservees);
  std::printf("  %d staves\n", (*score)->nbPortees);
  for (int16_t i = 0; i < (*score)->nbPortees; i++) {
    const Portee* p = *(*score)->portees[i];
    int lignes = 0;
    for (uint8_t a : p->aspect.afficheLigne) lignes += a != 0;
    const Instrument* in = GetInstrument(score, p->instrument);
    std::printf("  [%d] \"%s\" (\"%s\") %s, %d lines, instrument %d \"%s\" transp %d%s%s\n", i, p->aspect.nom,
                p->aspect.nomAbrege, p->type < 9 ? kTypes[p->type] : "?", lignes, p->instrument, in ? in->name : "",
                in ? in->transposition : 0, p->modeFusion ? " merged" : "", p->fusionneAvecSuivante ? " +next" : "");
  }
  if (std::getenv("XMLPORTEES_ENTREES"))
    for (int16_t i = 0; i < (*score)->nbPortees; i++) {
      int32_t n = 0;
      const EltTabTonalite* t = GetEltsTabTonalite((*score)->portees[i], &n);
      for (int32_t k = 0; k < n; k++)
        std::printf("    staff %d entry bar %u clef %u visible %u reminder %u\n", i, t[k].mesure, t[k].clef.type,
                    t[k].visible, t[k].rappel);
    }
  Handle g = (*score)->partGroups;
  for (int16_t k = 0; k < GetNbPartGroups(g); k++) {
    const PartGroup& pg = reinterpret_cast<PartGroup*>(*g)[k];
    std::printf("  group %d: %s staves %d-%d \"%s\"\n", k, pg.type == 0 ? "brace" : "bracket", pg.premierePortee,
                pg.dernierePortee, pg.nom);
  }
  UpdateTabEltMesure(score, kTabEltTemps);
  const int32_t n = GetNbMesuresTabEltRuban(score);
  const TabEltMesure* rows = GetLignesTabElt(GetTabEltMesureRuban(score));
  std::printf("  %d bars\n", n);
  for (int32_t b = 0; b < n; b++) {
    const DivisionTemporelle& d = rows[b].division;
    std::printf("  bar %d at %u: %d/%d", b, rows[b].debutTemps, d.numerateur, d.denominateur);
    if (CvtMesureEnVisible((*score)->portees[0], int16_t(b)) & kVisibleSignature)
      std::printf(" shows %d%s/%d%s", d.partieAdditive1,
                  d.partieAdditive2 ? ("+" + std::to_string(d.partieAdditive2)).c_str() : "", d.denominateurAdditif,
                  d.octet1 ? " symbol" : "");
    if (rows[b].nonComptee) std::printf(" not-counted");
    if (rows[b].etatDecoupeNote) std::printf(" split");
    for (int16_t s = 0; s < (*score)->nbPortees; s++) {
      Portee** st = (*score)->portees[s];
      const uint32_t v = CvtMesureEnVisible(st, int16_t(b));
      if (v & kVisibleClef) {
        Clef c;
        CvtMesureEnClef(st, int16_t(b), &c);
        std::printf(" [%d]clef %s", s, NomClef(c).c_str());
      }
      if (v & kVisibleArmure) {
        Tonalite k;
        CvtMesureEnTonalite(st, int16_t(b), &k);
        std::printf(" [%d]key %s", s, Cle(k).c_str());
      }
    }
    for (int16_t r = 0; r < GetNbRuptures(score); r++) {
      const Rupture* ru = GetRupture(score, r);
      if (ru->mesure != b) continue;
      std::printf(" {type %u bar-line %u at %s \"%s\"", ru->type, ru->barre, ru->placement == 3 ? "end" : "start",
                  ru->texte);
      if (ru->nbPassages) std::printf(" x%u", ru->nbPassages + 1);
      std::string passes;
      for (int k = 0; k < kNbPassagesVolta; k++)
        if (ru->passagesVolta[k] && ru->type == kRuptureDebutVolta) passes += std::to_string(k + 1) + " ";
      if (!passes.empty()) std::printf(" passes %s", passes.c_str());
      std::printf("}");
    }
    std::printf("\n");
  }
}

std::string NomHauteur(int32_t kind) {
  if (kind < 0) return kind == kSigneSilence ? "rest" : kind == kSigneSilenceFantome ? "filler" : "sign";
  static const char* kNoms[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
  return std::string(kNoms[kind % 12]) + std::to_string(kind / 12 - 1);
}

void ImprimeNotes(Document* doc) {
  Partition** score = doc->partitionCourante;
  for (int16_t p = 0; p < (*score)->nbPortees; p++) {
    Portee** staff = (*score)->portees[p];
    int32_t n = 0;
    GetSignesPortee(staff, &n);
    std::printf("  staff %d: %d records\n", p, n);
    for (int32_t i = 0; i < n; i++) {
      const Signe s = GetSignesPortee(staff, &n)[i];
      std::printf("    %4d t=%-7d %-6s dur %-6d flags %04x", i, CvtIndexNoteEnTemps(staff, i),
                  NomHauteur(s.kind).c_str(), s.duree, s.flags);
      if (s.motTuplet) std::printf(" tuplet %04x", s.motTuplet);
      if (s.alteration != kAlterationAucune) std::printf(" acc %u", s.alteration);
      if (s.formeTete) std::printf(" head %u", s.formeTete);
      if (s.taille != 100) std::printf(" size %u", s.taille);
      if (s.longueurQueue) std::printf(" stem %u", s.longueurQueue);
      if (s.decalageSilence) std::printf(" restpos %d", s.decalageSilence);
      if (const ParamEffet* e = GetParamEffetNote(staff, &s)) {
        if (e->liaison.idSource) std::printf(" link> %u(staff %u)", e->liaison.idSource, e->liaison.porteeSource);
        if (e->liaison.idDest) std::printf(" >link %u", e->liaison.idDest);
        if (e->accroche.idSource) std::printf(" beam> %u", e->accroche.idSource);
        if (e->accroche.idDest) std::printf(" >beam %u", e->accroche.idDest);
        for (int g = 0; g < kNbGraceNotes && e->graces[g].utilise; g++)
          std::printf(" grace%s(%+d acc %u type %d%s)", e->graces[g].apres ? "-after" : "", e->graces[g].decalage,
                      e->graces[g].alteration, e->graces[g].decalageDuree, e->graces[g].accord ? " chord" : "");
        if (e->graces[0].utilise)
          std::printf(" steal %u slur %u slash %u down %u", e->mot32, e->quatreOctets[1], e->quatreOctets[2],
                      e->quatreOctets[3]);
        for (int32_t m = 0; m < GetNbMarks(e->marks); m++) {
          const Mark& k = reinterpret_cast<const Mark*>(*e->marks)[m];
          std::printf(" mark %u", k.code);
          if (k.param1) std::printf("/flip");
        }
      }
      std::printf("\n");
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  uint8_t skeleton = 0;
  bool notes = false;
  int first = 1;
  if (argc > 1 && !std::strcmp(argv[1], "--skeleton")) skeleton = 1, first = 2;
  else if (argc > 1 && !std::strcmp(argv[1], "--notes")) notes = true, first = 2;
  if (first >= argc) {
    std::fprintf(stderr, "usage: xmlportees [--skeleton | --notes] FILE...\n");
    return 2;
  }
  int status = 0;
  for (int i = first; i < argc; i++) {
    Handle h = LitFichier(argv[i]);
    if (!h) {
      std::fprintf(stderr, "xmlportees: cannot read %s\n", argv[i]);
      status = 1;
      continue;
    }
    Document* doc = reinterpret_cast<Document*>(NewPtrClear(Size(sizeof(Document))));
    doc->indexPartitionCourante = -1;
    doc->indexVueCourante = -1;
    CreePartitionVide(doc);
    FixeMiseEnPageStandardDocument(doc);
    SetModeEcran(doc->partitionCourante, kModeEcranRuban);
    std::printf("%s\n", argv[i]);
    if (ChargeMusiqueXML(doc, h, 0, skeleton)) {
      Imprime(doc);
      if (notes) ImprimeNotes(doc);
    } else {
      std::printf("  not imported: %s\n", GetRaisonEchecXML());
      status = 1;
    }
    DisposeHandle(h);
    while (doc->nbPartitions > 0) SupprimePartition(doc, doc->partitions[doc->nbPartitions - 1]);
    DisposeVuesDocument(doc);
    DisposePtr(reinterpret_cast<Ptr>(doc));
  }
  return status;
}
