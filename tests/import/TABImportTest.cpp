// Guitar-tablature text import: string blocks, bars, repeats, notes and their
// techniques, the meter chosen by scoring and the notes' ticks, tuning, neck,
// instrument, commands and lyrics; hostile texts end cleanly.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "import/ImportTAB.h"
#include "import/TABInterne.h"
#include "layout/HauteursPortees.h"
#include "layout/MiseEnPage.h"
#include "layout/ModesEcran.h"
#include "layout/ServicesMiseEnPage.h"
#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/QRVPOBJ.h"
#include "model/QrvText.h"
#include "model/Ruptures.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "model/Vues.h"
#include "platform/Files.h"
#include "plugin/Necks.h"
#include "sound/SINSTRUM.h"
#include "stafftypes/DonneesLigneTexte.h"
#include "stafftypes/DonneesTablature.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "support/TestPaths.h"
#include "system/Dossiers.h"
#include "system/Handles.h"

namespace {

// A document prepared as the request driver prepares it, with the text imported.
struct DocumentTAB {
  Document* doc = nullptr;
  int16_t resultat = 0;

  explicit DocumentTAB(const std::string& texte, const char* nom = "a.tab") {
    doc = reinterpret_cast<Document*>(NewPtrClear(Size(sizeof(Document))));
    doc->indexPartitionCourante = -1;
    doc->indexVueCourante = -1;
    std::snprintf(doc->nomFichier, sizeof doc->nomFichier, "%s", nom);
    // The bundle's necks, as the request driver loads them for a tablature.
    PathNecks = CheminVol{kVolumeRacine, PlatformDirIDForPath((tamrel_test::BundlePath() + "/Resources").c_str())};
    InitTabNeck();
    Partition** score = CreePartitionVide(doc);
    CreePorteeVide(score, 0, 1, 1);
    FixeMiseEnPageStandardDocument(doc);
    SetModeEcran(score, kModeEcranRuban);
    resultat = ChargeMusiqueTABOctets(doc, reinterpret_cast<const uint8_t*>(texte.data()), texte.size());
  }
  ~DocumentTAB() {
    while (doc->nbPartitions > 0) SupprimePartition(doc, doc->partitions[doc->nbPartitions - 1]);
    DisposeVuesDocument(doc);
    DisposePtr(reinterpret_cast<Ptr>(doc));
    LibereTabNeck();
    PathNecks = CheminVol{0, 0};
  }
  DocumentTAB(const DocumentTAB&) = delete;
  DocumentTAB& operator=(const DocumentTAB&) = delete;

  Partition** Score() const { return doc->partitionCourante; }
  Portee** Staff() const { return Score() && (*Score())->nbPortees > 0 ? (*Score())->portees[0] : nullptr; }
  Tablature** Tab() const { return GetTablature(Staff()); }

  // Notes as "tick:pitch/length" ("+" joins a chord's notes), rests left out.
  std::string Notes() const {
    std::string s;
    int32_t n;
    const Signe* sg = GetSignesPortee(Staff(), &n);
    for (int32_t i = 0; i < n; i++) {
      if (sg[i].kind < 0) continue;
      char b[64];
      std::snprintf(b, sizeof b, "%d:%d/%d", int(CvtIndexNoteEnTemps(Staff(), i)), int(sg[i].kind), int(sg[i].duree));
      if (!s.empty()) s += (i > 0 && (sg[i - 1].flags & kSigneAccordSuite)) ? "+" : " ";
      s += b;
    }
    return s;
  }
  // Notes as "string.fret" with their mark codes ("0.3[1,4]").
  std::string Cases() const {
    std::string s;
    int32_t n;
    GetSignesPortee(Staff(), &n);
    for (int32_t i = 0; i < n; i++) {
      const Signe& g = GetSignesPortee(Staff(), &n)[i];
      if (g.kind < 0) continue;
      if (!s.empty()) s += " ";
      s += std::to_string(g.tablatureCorde) + "." + std::to_string(g.tablatureCase);
      const ParamEffet* e = GetParamEffetIndexNote(Staff(), i);
      if (e && e->marks && GetNbMarks(e->marks) > 0) {
        s += "[";
        for (int16_t k = 0; k < GetNbMarks(e->marks); k++)
          s += (k ? "," : "") + std::to_string(reinterpret_cast<const Mark*>(*e->marks)[k].code);
        s += "]";
      }
    }
    return s;
  }
  std::string Accordage() const {
    std::string s;
    for (int i = 0; i < (*Tab())->nbCordes; i++) s += (i ? " " : "") + std::to_string((*Tab())->cordes[i].valeurs[0]);
    return s;
  }
  std::string Mesure() const {
    DivisionTemporelle d;
    CvtMesureEnDivisionTemporelle(Score(), 0, &d);
    return std::to_string(d.numerateur) + "/" + std::to_string(d.denominateur);
  }
  const Instrument* Son() const { return GetInstrument(Score(), (*Staff())->instrument); }
};

std::string Bloc(const std::vector<std::string>& lignes) {
  std::string s;
  for (const std::string& l : lignes) s += l + "\n";
  return s;
}

// A block of `cordes` string lines without string names: the top one given,
// the others dashes and bar lines of the same length.
std::string Haut(const std::string& haut, int cordes = 4) {
  std::string autre = haut;
  for (char& c : autre)
    if (c != '|' && c != '[' && c != ']') c = '-';
  std::string s = "x" + haut + "\n";
  for (int i = 1; i < cordes; i++) s += "x" + autre + "\n";
  return s;
}

std::string Fichier(const std::string& chemin) {
  std::string texte;
  if (FILE* f = std::fopen(chemin.c_str(), "rb")) {
    char b[4096];
    size_t n;
    while ((n = std::fread(b, 1, sizeof b, f)) > 0) texte.append(b, n);
    std::fclose(f);
  }
  return texte;
}

}  // namespace

// The bundled example: eighths on three beats, two text systems of four bars.
TEST(TABImport, BundledExampleIsAWaltzOnAGuitar) {
  const std::string texte = Fichier(std::string(TAMREL_TEST_DATA) + "/../../examples/morning-steps.tab");
  ASSERT_FALSE(texte.empty());
  DocumentTAB d(texte);
  ASSERT_EQ(d.resultat, 1);
  ASSERT_EQ((*d.Score())->nbPortees, 1);
  EXPECT_EQ((*d.Staff())->type, uint32_t(kTypePorteeTablature));
  EXPECT_EQ(d.Mesure(), "3/4");
  EXPECT_EQ(d.Accordage(), "64 59 55 50 45 40");
  EXPECT_EQ((*d.Tab())->kind, 1u);
  EXPECT_EQ(std::string(d.Son()->name), "Guitar");
  EXPECT_EQ(d.Son()->soundId, 2400u);
  EXPECT_EQ(d.Son()->transposition, -12);
  EXPECT_EQ((*d.Score())->tempo, 120);
  EXPECT_EQ(d.doc->importe, 1);
  // The first bar: G and A together, then B, e, B, G, eighths with the G a quarter.
  EXPECT_EQ(d.Notes().rfind("0:55/20160+0:48/20160 20160:60/20160 40320:64/20160 60480:60/20160 80640:55/40320 ", 0),
            0u);
  EXPECT_EQ(d.Cases().substr(0, 23), "2.0 4.3 1.1 0.0 1.1 2.0");
  // The last bar's chord fills it.
  EXPECT_NE(d.Notes().find("846720:60/120960+846720:55/120960"), std::string::npos);
  UpdateTabEltMesure(d.Score(), kTabEltTemps);
  EXPECT_EQ(GetNbMesuresTabEltRuban(d.Score()), 8);
  const TabEltMesure* lignes = GetLignesTabElt(GetTabEltMesureRuban(d.Score()));
  for (int b = 0; b < 8; b++) EXPECT_EQ(lignes[b].sautSysteme, b == 3 ? 1 : 0) << b;
}

TEST(TABImport, StringBlocks) {
  struct {
    std::string texte;
    int16_t resultat;
    int cordes;
  } cas[] = {
      {Haut("|-0-2-|", 6), 1, 6},
      {Haut("|-0-2-|", 3), 0, 0},
      // The first '-' right after the name letter.
      {Haut("-0-2---", 4), 1, 4},
      // A marker at column 5 or later makes no string line.
      {Haut("    |-0-2-|", 4), 0, 0},
      {Haut("[-0-2-]", 5), 1, 5},
      {"", 0, 0},
      {"just words\nand more words\n\nnothing else\n", 0, 0},
      // A later block of another string count is skipped.
      {Haut("|-0-|", 4) + "\n" + Haut("|-3-|", 5), 1, 4},
  };
  for (auto& c : cas) {
    DocumentTAB d(c.texte);
    EXPECT_EQ(d.resultat, c.resultat) << c.texte;
    if (d.resultat) EXPECT_EQ((*d.Tab())->nbCordes, c.cordes) << c.texte;
  }
}

TEST(TABImport, NotesAndTechniques) {
  struct {
    const char* haut;
    const char* cases;
  } cas[] = {
      {"|-12-----|", "0.12"},
      // The 'h' goes to the note before it; the next note no longer sees it.
      {"|-3h5----|", "0.3[1] 0.5"},
      {"|--/5----|", "0.5[4]"},
      {"|-5\\-----|", "0.5[5]"},
      {"|-<7>----|", "0.7[19]"},
      {"|-5~-----|", "0.5[35]"},
      {"|-x3-----|", "0.3[12]"},
      {"|-b5-----|", "0.5[8]"},
      // A 'b' after the number is read without effect.
      {"|-3b5----|", "0.3 0.5"},
      {"|-S5-P6--|", "0.5[17] 0.6[18]"},
      {"|-t5-o6--|", "0.5[16] 0.6[2]"},
      {"|-r5-----|", "0.5[9]"},
  };
  for (auto& c : cas) {
    DocumentTAB d(Haut(c.haut, 6));
    ASSERT_EQ(d.resultat, 1) << c.haut;
    EXPECT_EQ(d.Cases(), c.cases) << c.haut;
  }
}

TEST(TABImport, RepeatsAndPassCounts) {
  struct {
    const char* haut;
    const char* ruptures;
    int passages;
  } cas[] = {
      {"|:-0---:|-2-|", "0|: 0:|", 0}, {"|*-0---|-2-o|", "0|: 1:|", 0}, {"|-0---:|x4-2-|", "0:|", 3},
      {"|-0---:|x2-2-|", "0:|", 2},    {"|-0---|-2-|", "", 0},
  };
  for (auto& c : cas) {
    DocumentTAB d(Haut(c.haut, 6));
    ASSERT_EQ(d.resultat, 1) << c.haut;
    std::string s;
    int passages = 0;
    for (int16_t i = 0; i < GetNbRuptures(d.Score()); i++) {
      const Rupture* r = GetRupture(d.Score(), i);
      if (r->type != kRuptureDebutRepetition && r->type != kRuptureFinRepetition) continue;
      s += (s.empty() ? "" : " ") + std::to_string(r->mesure) + (r->type == kRuptureDebutRepetition ? "|:" : ":|");
      if (r->type == kRuptureFinRepetition) passages = r->nbPassages;
    }
    EXPECT_EQ(s, c.ruptures) << c.haut;
    if (c.passages) EXPECT_EQ(passages, c.passages) << c.haut;
    // The count's digits are no notes of the next bar.
    EXPECT_EQ(d.Cases(), "0.0 0.2") << c.haut;
  }
}

TEST(TABImport, MeterAndTicks) {
  // Quarters spread evenly over a bar of eight columns: 4/4 on the beats.
  DocumentTAB quatre(Haut("|0-0-0-0-|", 6));
  ASSERT_EQ(quatre.resultat, 1);
  EXPECT_EQ(quatre.Mesure(), "4/4");
  EXPECT_EQ(quatre.Notes(), "0:64/40320 40320:64/40320 80640:64/40320 120960:64/40320");
  // Three notes evenly spread: 3/4.
  DocumentTAB trois(Haut("|-0---0---0---|", 6));
  ASSERT_EQ(trois.resultat, 1);
  EXPECT_EQ(trois.Mesure(), "3/4");
  EXPECT_EQ(trois.Notes(), "0:64/40320 40320:64/40320 80640:64/40320");
  // The rest before a note that does not start its bar.
  DocumentTAB tard(Haut("|-----0---|-0-------|", 6));
  ASSERT_EQ(tard.resultat, 1);
  const std::string n = tard.Notes();
  EXPECT_EQ(n.substr(0, 1) == "0", false) << n;
}

// The scoring of one placement and of a meter, on bar records built here.
TEST(TABTemps, PlacementScores) {
  BarreTab bar;
  bar.largeur = 9;
  NoteTab n;
  n.largeur1 = 1;
  n.colonne = 0;
  bar.notes.push_back(n);
  // A note on the bar's first beat: 100 x 1000, no distance.
  EXPECT_EQ(EvaluePosRelativeNoteMesure(&bar, 4, 0, 0, 0), 100000);
  // Column 1 of 9 columns: position 1111 of 10000, on no grid of 4 beats.
  bar.notes[0].colonne = 1;
  EXPECT_EQ(EvaluePosRelativeNoteMesure(&bar, 4, 0, 0, 0), -50000);
  // A column before the offset, a usable width not above the shift, a note at the end.
  EXPECT_EQ(EvaluePosRelativeNoteMesure(&bar, 4, 2, 0, 0), kScoreImpossible);
  bar.largeur = 2;
  EXPECT_EQ(EvaluePosRelativeNoteMesure(&bar, 4, 1, 1, 0), kScoreImpossible);
  bar.largeur = 9;
  bar.notes[0].colonne = 8;
  EXPECT_EQ(EvaluePosRelativeNoteMesure(&bar, 4, 0, 0, 0), kScoreImpossible);

  // A bar without notes adds nothing; one whose placements all fail adds the impossible score.
  loadTab = ChargeTab();
  loadTab.barres.resize(2);
  loadTab.barres[0].largeur = 8;
  EXPECT_EQ(EvalueNoteTabFnTemps(4), 0);
  loadTab.barres[1].largeur = 5;
  n.colonne = 9;
  loadTab.barres[1].notes.push_back(n);
  EXPECT_EQ(EvalueNoteTabFnTemps(4), kScoreImpossible);
  // Neither meter fits: four beats.
  EXPECT_EQ(ChoisitTempsTab(), 4);
  loadTab = ChargeTab();
}

TEST(TABTemps, TickGrid) {
  struct {
    std::vector<int32_t> positions;
    int16_t temps;
    std::vector<int32_t> ticks;
  } cas[] = {
      // Two positions: a grid of 20160.
      {{0, 5000}, 4, {0, 80640}},
      {{0, 3333, 6666}, 3, {0, 40320, 80640}},
      {{0, 1000, 5000}, 4, {0, 20160, 80640}},
      // Off the grid: spread between its neighbours.
      {{0, 700, 5000}, 4, {0, 40320, 80640}},
      // Position 10000 would be the next bar: spread before the bar's end.
      {{0, 10000}, 4, {0, 80640}},
  };
  for (auto& c : cas) {
    BarreTab bar;
    for (int32_t p : c.positions) {
      NoteTab n;
      n.position = p;
      bar.notes.push_back(n);
    }
    CalculeTicksNotesBarre(&bar, c.temps);
    std::vector<int32_t> ticks;
    for (const NoteTab& n : bar.notes) ticks.push_back(n.position);
    EXPECT_EQ(ticks, c.ticks) << c.positions.size();
  }
  // Sixteen distinct positions and more snap on a grid of 5040, never finer.
  BarreTab bar;
  for (int i = 0; i < 20; i++) {
    NoteTab n;
    n.position = i * 500;
    bar.notes.push_back(n);
  }
  CalculeTicksNotesBarre(&bar, 4);
  for (const NoteTab& n : bar.notes) EXPECT_EQ(n.position % 5040, 0) << n.position;
}

TEST(TABImport, TuningNeckAndInstrument) {
  struct {
    std::string texte;
    const char* nom;
    const char* accordage;
    const char* neck;
    uint32_t son;
    int16_t transposition;
  } cas[] = {
      {Bloc({"e|-0-|", "B|---|", "G|---|", "D|---|", "A|---|", "D|---|"}), "a.tab", "64 59 55 50 45 38",
       "Guitar Drop D", 2400, -12},
      {Bloc({"d |-0-|", "a |---|", "f#|---|", "d |---|", "A |---|", "D |---|"}), "a.tab", "62 57 54 50 45 38",
       "Guitar Open D", 2400, -12},
      // Without names the default tuning; a bass file takes the five-string bass's first strings.
      {Haut("|-0-|", 4), "a.BTAB", "43 38 33 28", "Bass", 3200, -12},
      {Haut("|-0-|", 5), "a.tab", "43 38 33 28 23", "Bass 5 strings", 3200, -12},
      // Four strings of the default tuning find the neck of the same pitches.
      {Haut("|-0-|", 4), "a.tab", "64 59 55 50", "Baritone Ukulele", 10500, 0},
      {Bloc({"C|-0-|", "C|---|", "C|---|", "C|---|"}), "a.tab", "60 60 60 48", "Custom", 10500, 0},
  };
  for (auto& c : cas) {
    DocumentTAB d(c.texte, c.nom);
    ASSERT_EQ(d.resultat, 1) << c.texte;
    EXPECT_EQ(d.Accordage(), c.accordage) << c.texte;
    EXPECT_EQ(std::string(d.Son()->name), c.neck) << c.texte;
    EXPECT_EQ(d.Son()->soundId, c.son) << c.texte;
    EXPECT_EQ(d.Son()->transposition, c.transposition) << c.texte;
  }
}

// The tablature's strings take the fret count and first fret of the neck
// found (a five-string banjo's short string starts at fret 5), 24 frets from
// the first one without a neck; the tablature can place a pitch on them.
TEST(TABImport, StringsTakeTheNecksFrets) {
  struct {
    std::string texte;
    const char* neck;
    int cordes;
    int16_t cases, premiere;  // of the last string
  } cas[] = {
      {Bloc({"d|-0-|", "B|---|", "G|---|", "D|---|", "g|---|"}), "Banjo", 5, 22, 5},
      {Bloc({"C|-0-|", "C|---|", "C|---|", "C|---|"}), "Custom", 4, 24, 0},
  };
  for (auto& c : cas) {
    DocumentTAB d(c.texte);
    ASSERT_EQ(d.resultat, 1) << c.neck;
    EXPECT_EQ(std::string(d.Son()->name), c.neck);
    const Tablature& t = **d.Tab();
    ASSERT_EQ(t.nbCordes, c.cordes) << c.neck;
    EXPECT_EQ(t.cordes[c.cordes - 1].valeurs[1], c.cases) << c.neck;
    EXPECT_EQ(t.cordes[c.cordes - 1].valeurs[2], c.premiere) << c.neck;
    EXPECT_NE(t.vecteurs.CalculeCordeCaseNote, nullptr);
    uint8_t corde = 0, fret = 0;
    t.vecteurs.CalculeCordeCaseNote(d.Staff(), int16_t(t.cordes[0].valeurs[0] + 3), &corde, &fret);
    EXPECT_EQ(corde, 0) << c.neck;
    EXPECT_EQ(fret, 3) << c.neck;
  }
}

TEST(TABImport, NeckAndTempoCommands) {
  struct {
    const char* commandes;
    const char* neck;
    int16_t tempo;
  } cas[] = {
      {"#neck : guitar open d\n#Tempo: 96\n", "Guitar Open D", 96},
      // A blank between '#' and the name; a neck of another string count; a tempo out of range.
      {"# Neck: Guitar Open D\n#Tempo: 250\n", "Guitar", 120},
      {"#Neck: Bass\n#Tempo: ten\n", "Guitar", 120},
      {"#Neck\n#Tempo 90\n", "Guitar", 120},
  };
  for (auto& c : cas) {
    DocumentTAB d(std::string(c.commandes) + Haut("|-0-|", 6));
    ASSERT_EQ(d.resultat, 1) << c.commandes;
    EXPECT_EQ(std::string(d.Son()->name), c.neck) << c.commandes;
    EXPECT_EQ((*d.Score())->tempo, c.tempo) << c.commandes;
  }
  DocumentTAB d(std::string("#Neck: Guitar Open D\n") + Haut("|-0-|", 6));
  EXPECT_EQ(d.Accordage(), "62 57 54 50 45 38");
}

TEST(TABImport, LyricsBelowTheStrings) {
  DocumentTAB d(Haut("|-0---|-2---|", 6) + ">  la    li\n>  one   two\n");
  ASSERT_EQ(d.resultat, 1);
  EXPECT_EQ((*d.Staff())->karaoke, 1);
  char texte[kTailleTexteCellule];
  EXPECT_STREQ(GetTexteKaraokeCellule(d.Staff(), kLigneTexteParoles, 0, 0, texte, nullptr), "la");
  EXPECT_STREQ(GetTexteKaraokeCellule(d.Staff(), kLigneTexteParoles, 1, 0, texte, nullptr), "li");
  EXPECT_STREQ(GetTexteKaraokeCellule(d.Staff(), kLigneTexteParoles, 1, 1, texte, nullptr), "two");
  // The line is laid out: each verse's cells stand in their own row band,
  // and the rows below the tablature's strings.
  const Portee& p = **d.Staff();
  const int32_t h = p.lignesTexte[0].hauteurLigne;
  ASSERT_GT(h, 0);
  int32_t n = 0;
  const Texte* t = GetTextesPortee(d.Staff(), &n);
  for (int16_t verse : {0, 1}) {
    const int32_t i = CvtCelluleKaraokeEnIndexTexte(d.Staff(), kLigneTexteParoles, 1, verse);
    ASSERT_TRUE(i >= 0 && i < n) << verse;
    EXPECT_EQ(t[i].haut, verse * h + 2) << verse;
    EXPECT_EQ(t[i].bas, verse * h + 2 + h) << verse;
  }
  EXPECT_GE(int32_t(p.hauteurBaseLigneTexte), (*d.Tab())->ligneBase + DeZoom(GetHauteurTablaturePortee(d.Staff())));
  DocumentTAB sans(Haut("|-0---|-2---|", 6));
  EXPECT_EQ((*sans.Staff())->karaoke, 0);
}

TEST(TABImport, HostileTexts) {
  std::string binaire;
  for (int i = 0; i < 4096; i++) binaire.push_back(char((i * 131 + 7) & 0xFF));
  std::string longue(1 << 20, '-');
  std::string inegales = Bloc({"e|-0-|--3--|-5-5-5-5-|", "B|-1-|", "G|", "D|-0-|--2--|-----------------------|"});
  struct {
    std::string texte;
    int16_t resultat;
  } cas[] = {
      {binaire, 0},
      {"e|" + longue + "|\n", 0},
      {Haut("|" + longue + "0|", 4), 1},
      {inegales, 1},
      // Frets past the pitch range are left out; the bar stays.
      {Haut("|-99-0-|", 4), 1},
      // Seventeen strings: more than a record holds.
      {Haut("|-0-|", 17), 0},
      {std::string("e|-0-|\r\nB|-1-|\n\rG|-2-|\0\rD|-3-|\r", 30), 1},
  };
  for (auto& c : cas) {
    DocumentTAB d(c.texte);
    EXPECT_EQ(d.resultat, c.resultat) << c.texte.substr(0, 40);
  }
  DocumentTAB fort(Haut("|-99-0-|", 4));
  EXPECT_EQ(fort.Cases(), "0.0");
  DocumentTAB fins(std::string("e|-0-|\r\nB|-1-|\n\rG|-2-|\0\rD|-3-|\r", 30));
  EXPECT_EQ(fins.Cases(), "0.0 1.1 2.2 3.3");
}

// A request leaves nothing that changes the next: a bass file with its
// commands, then a plain guitar text.
TEST(TABImport, TwoImportsInARow) {
  {
    DocumentTAB d("#Tempo: 60\n" + Haut("|:-0-:|x3-2-|", 4) + ">la\n", "a.btab");
    ASSERT_EQ(d.resultat, 1);
    EXPECT_EQ((*d.Score())->tempo, 60);
  }
  DocumentTAB d(Haut("|-0-|", 6));
  ASSERT_EQ(d.resultat, 1);
  EXPECT_EQ((*d.Score())->tempo, 120);
  EXPECT_EQ(d.Accordage(), "64 59 55 50 45 40");
  EXPECT_EQ(d.Son()->soundId, 2400u);
  EXPECT_EQ(GetNbRuptures(d.Score()) > 0 ? GetRupture(d.Score(), 0)->type : 0u, 0u);
  EXPECT_EQ((*d.Staff())->karaoke, 0);
  EXPECT_EQ(loadTab.barres.size(), 0u);
}
