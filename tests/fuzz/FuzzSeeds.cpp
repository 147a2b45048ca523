// Writes the seed inputs the fuzz targets start from, made by the tests' own
// builders and encoders, as FOLDER/<target>/<name>. Files that exist as such
// (MusicXML, the examples, the neck files) are taken where they are by
// tests/fuzz/CMakeLists.txt and scripts/fuzz; what is built here is what only
// exists as code. Usage: fuzz_seeds FOLDER
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "model/ParamEffet.h"
#include "platform/Memory.h"
#include "support/Ar002TestEncoder.h"
#include "support/MlapTestEncoder.h"
#include "support/NativeDocument.h"
#include "support/NativeScore.h"
#include "support/NativeVoix.h"
#include "support/NativeWriter.h"
#include "support/PictSamples.h"
#include "system/PngCodec.h"
#include "system/ZlibGlue.h"
#include "text/TextData.h"
#include "text/TextStyle.h"

namespace {

using Bytes = std::vector<uint8_t>;
std::string racine;
int erreurs = 0;

void Ecrit(const std::string& cible, const std::string& nom, const void* p, size_t n) {
  const std::string dossier = racine + "/" + cible;
  mkdir(dossier.c_str(), 0755);
  const std::string chemin = dossier + "/" + nom;
  FILE* f = std::fopen(chemin.c_str(), "wb");
  if (!f || (n && std::fwrite(p, 1, n, f) != n)) erreurs++;
  if (f && std::fclose(f) != 0) erreurs++;
}
void Ecrit(const std::string& cible, const std::string& nom, const Bytes& b) { Ecrit(cible, nom, b.data(), b.size()); }
void Ecrit(const std::string& cible, const std::string& nom, const std::string& s) {
  Ecrit(cible, nom, s.data(), s.size());
}
Bytes Octets(Handle h) {
  Bytes b;
  if (h) b.assign(reinterpret_cast<uint8_t*>(*h), reinterpret_cast<uint8_t*>(*h) + GetHandleSize(h));
  return b;
}

void Natifs() {
  using namespace tamrel_test;
  struct Cas {
    const char* nom;
    uint16_t version;
    bool lzw;
  };
  for (const Cas& c : {Cas{"newest", 0x9805, false}, Cas{"newest-lzw", 0x9805, true}, Cas{"v964", 0x0964, false},
                       Cas{"v740-lzw", 0x0740, true}, Cas{"v511", 0x0511, false}, Cas{"v322-lzw", 0x0322, true},
                       Cas{"v202", 0x0202, false}}) {
    NativeDocument d;
    d.version = c.version;
    d.lzw = c.lzw ? 1 : 0;
    d.titles[0].text = "Sonate";
    d.titles[2].text = "Opus 3";
    d.pageSetups[4].footer.templates[1] = "page $p";
    d.extraData = {1, 2, 3};
    d.uninterpreted.assign(12, 0xAB);
    d.effectLevels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    const Bytes b = WriteNativeDocument(d);
    Ecrit("native", c.nom, b);
    Ecrit("load", std::string("native-") + c.nom, b);
    Ecrit("preview", std::string("native-") + c.nom, b);
  }
}

// Native documents with a score: two staves, the first with notes and every
// kind of staff object (diagram placements, a graphic, the tablature record
// with its accordion block, laws, dynamics, custom diagrams) at the versions
// that store them.
void Partitions() {
  using namespace tamrel_test;
  for (uint16_t v : {0x0203, 0x0301, 0x0600, 0x0750, 0x0964, 0x9805}) {
    StaffRecord p;
    p.size = 18;
    if (v >= 0x0500) {
      p.notes.assign(3, SignRecord{});
      p.notes[1].kind = 64;
      p.notes[2].duration = 80640;
    }
    p.placements.resize(2);
    p.placements[1].chordName = "E";
    p.graphics.resize(1);
    p.graphics[0].data = {9, 8, 7};
    TablatureRecord t;
    t.instrument = 3000;
    if (v >= 0x0750) t.accordion = AccordionRecord{};
    p.tablature = t;
    if (v >= 0x0600) {
      p.laws.resize(2);
      p.laws[0].noteMarks = {kMarkStaccato};
      p.laws[1].name = "Second";
    }
    if (v >= 0x0610) {
      p.dynamics.resize(2);
      p.dynamics[1].type = 1;
    }
    if (v >= 0x0960) {
      CustomDiagramsRecord b;
      b.diagrams.resize(1);
      p.customDiagrams = b;
    }
    ScoreRecord sc;
    sc.staves = {p, StaffRecord{}};
    NativeDocument d;
    d.version = v;
    d.lzw = v >= 0x0321 && v != 0x0964 ? 1 : 0;
    d.titles[0].text = "Objets";
    d.scores.push_back(ScoreSection(sc));
    char nom[32];
    std::snprintf(nom, sizeof nom, "score-objects-%04x", unsigned(v));
    const Bytes b = WriteNativeDocument(d);
    Ecrit("native", nom, b);
    Ecrit("load", nom, b);
    Ecrit("preview", nom, b);
  }
  // A page of melody for the drawing: steps and leaps, four lengths, rests,
  // notes joined to the next, a hidden note, on two staves.
  StaffRecord melodie;
  melodie.size = 18;
  for (int i = 0; i < 48; i++) {
    SignRecord n;
    n.kind = uint8_t(i % 11 == 10 ? 255 : 52 + (i * 7) % 29);
    if (i % 8 == 0) n.flags = 0x0002;
    n.duration = n.written = uint32_t(10080) << (i % 4);
    n.hidden = i % 17 == 16;
    melodie.notes.push_back(n);
  }
  ScoreRecord sc;
  sc.staves = {melodie, melodie};
  NativeDocument d;
  d.version = 0x9805;
  d.lzw = 1;
  d.titles[0].text = "Melodie";
  d.scores.push_back(ScoreSection(sc));
  Ecrit("preview", "score-melody", WriteNativeDocument(d));
}

void Images() {
  Bytes argb;
  for (int i = 0; i < 12 * 8; i++)
    for (uint8_t c : {uint8_t(200 + i % 50), uint8_t(i * 3), uint8_t(i / 3), uint8_t(i % 7 * 30)}) argb.push_back(c);
  for (int flags = 0; flags < 4; flags++) {
    Handle h = CvtARGBToPngHandle(argb.data(), 12, 8, 48, uint8_t(flags & 1), uint8_t(flags >> 1), "c", "t", "a", "d");
    Ecrit("png", "argb-" + std::to_string(flags), Octets(h));
    if (h) DisposeHandle(h);
  }
}

void Codecs() {
  Bytes data;
  for (int i = 0; i < 3000; i++) data.push_back(uint8_t("staff clef note "[i % 16] + (i / 700)));
  Ecrit("ar002", "text", tamrel_test::Ar002TestContainer(data, 200));
  Ecrit("ar002", "stored", tamrel_test::Ar002TestContainer(Bytes(data.begin(), data.begin() + 40), 16384));

  Handle plain = NewHandle(Size(data.size()));
  std::memcpy(*plain, data.data(), data.size());
  Handle packed = RozoZipHandleAndFree(plain);
  Ecrit("zlib", "text", Octets(packed));
  if (packed) DisposeHandle(packed);

  tamrel_test::MlapTestStream s;
  for (int i = 0; i < 300; i++) s.samples.push_back((i * 37) % 2000 - 1000);
  for (int i = 100; i < 160; i++) s.samples[size_t(i)] = 0;
  s.oddByte = 9;
  s.blockLength = 60;
  s.blocks = {{2, 8, false}, {1, 9, true}, {0, 0, false, true}, {3, 10}};
  Bytes attendu;
  Ecrit("mlap", "blocks", tamrel_test::MlapTestEncode(s, &attendu));

  // Count 9 signed, k = 2; count 4 raw words (k = 0).
  Ecrit("rice", "k2", Bytes{0x89, 2, 0x51, 0x80, 0x12, 0x34, 0xF0, 0x0F, 0xAA, 0x55});
  Ecrit("rice", "raw", Bytes{0x04, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0x80, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF});

  // Three plain bytes, then a coded stretch.
  tamrel_test::NativeWriter w(0x9805);
  w.Bytes({3, 'a', 'b', 'c'});
  w.StartLZW();
  for (int i = 0; i < 2000; i++) w.U8("do re mi fa sol "[i % 16] + uint8_t(i / 500));
  Ecrit("lzw", "stretch", w.Finish());
}

void Dessins() {
  Ecrit("picture", "v2", tamrel_test::PictureWithEverything(false));
  Ecrit("picture", "host", tamrel_test::PictureWithEverything(true));
  PictBuilder v1 = PictBuilder::V1({0, 0, 50, 50});
  v1.Line(1, 1, 40, 30);
  v1.End();
  Ecrit("picture", "v1", v1.b);

  const std::string chemin =
      "START 256 0 1 2 1 1.0000 3 10 10 10 10 10 10 40 10 40 10 40 10 40 40 40 40 40 40 \n"
      "10 10 12 10\n"
      "START 256 1 0 0 0 4 2 0 0 0 0 5.5 5.5 100 100 100 100 100 100 \n"
      "STOP";
  Ecrit("bezier", "paths", chemin);
  Ecrit("bezier", "old", std::string("3 2 0 0 0 0 1 1 20 20 20 20 20 20 \nSTOP"));
}

void Textes() {
  TextStyle a{};
  a.font = 20;
  a.size = 12;
  TextStyle b = a;
  b.face = 1;
  b.size = 14;
  b.color = RGBColor{65535, 0, 0};
  char* s = CreeChaineStyle("abcd", &a);
  s = ConcateneChaineAvecStyle("EFGH \xC3\xA9\xE3\x81\x82", &b, s);
  Ecrit("styledtext", "two-runs", std::string(s));
  DisposeTextData(s);
  Ecrit("styledtext", "plain", std::string("plain text\rsecond line"));
}

// ABC files beside the example: several tunes, voices, parts, chords,
// tuplets, graces, decorations, ties and slurs, lyrics, inline fields and
// repeats with endings, each a door into another part of the reader.
void Airs() {
  Ecrit("abc", "voices-and-parts",
        std::string("%abc-2.1\nX:1\nT:Two voices\nM:6/8\nL:1/8\nQ:\"Allegro\" 3/8=100\nP:AB\n"
                    "V:1 clef=treble name=\"Upper\"\nV:2 clef=bass\nK:Dmix\n"
                    "P:A\n[V:1] |: (3ABc d2e | [CEG]3 {/g}f2e :|1 d6 :|2 d3- d3 |]\n"
                    "[V:2] |: D,3 A,,3 | z6 :|1 D,6 :|2 D,6 |]\n"
                    "P:B\n[V:1] !trill!a2 .b Tc' ~d | (a2b) [M:3/4] c'4 | \"Am\"A,2 _B =c ^d |\n"
                    "w: la- la * lu_ ly\n[V:2] [K:Bb] B,,6 | x6 |]\n"));
  Ecrit("abc", "tunes-and-meters",
        std::string("X:1\nT:First\nM:C|\nL:1/4\nK:Emin\nE>F G<A | B2 B/2c/2 d/ | e4 |]\n\n"
                    "X:2\nT:Second\nM:none\nK:HP\nA B c | \\\nd e f |]\n\n"
                    "X:3\nT:Third\nM:7/8\nL:1/16\nK:C clef=alto\n(5abcde (3:2:4fgab | c8 z4 Z2 |]\n"));
}

// Tablature texts beside the example: named and unnamed strings, repeats
// with counts, two-digit frets with techniques around them, commands,
// lyrics, four strings, CR LF line ends and a second system.
void Tablatures() {
  Ecrit("tab", "techniques-and-repeats",
        std::string("#Neck : Guitar\n#tempo: 96\n"
                    "E|*--12h14p12--/5--\\3-|-b7--r7--t9--x--S3--P2--<7>-*|x3\n"
                    "B|*--0-----------------|--------v5---~5------------*|\n"
                    "G|*--------------------|---------------------------*|\n"
                    "D|*--------------------|---------------------------*|\n"
                    "A|*--------------------|---------------------------*|\n"
                    "E|*--------------------|---------------------------*|\n"
                    "> la   la   la         lu   lu\n\n"
                    "[-3---[-2---[\n[-----[-----[\n[-0---[-0---[\n[-----[-----[\n"));
  Ecrit("tab", "crlf-unnamed-strings",
        std::string("Title\r\n\r\n--0--1--|--3--|\r\n--1--1--|--0--|\r\n"
                    "--0--2--|--0--|\r\n--2--3--|--0--|\r\n--3-----|--2--|\r\n"
                    "--------|--3--|\r\n"));
  Ecrit("tab", "dashes-only", std::string("-0-2-\n-1-3-\n-2-4-\n-3-5-\n-----\n-----\n"));
  Ecrit("tab", "four-named-strings", std::string("G|--5--|\nD|--7--|\nA|-----|\nE|-0---|\n"));
}

void Tagged(const char* dossierNecks) {
  const std::string fx =
      "DebutParamFx\n  Nom \"Hall\" Commentaire \"Wide\" Icone <0102>\n"
      "  ActiviteReverb 1 DebutResonateurFixe Frequence 1100 FinResonateurFixe\n"
      "  DebutPanningLFO StereoMin -30 Periode 1500 FinPanningLFO\n"
      "  DebutMultibandEqualizer Gain 90 MultiBandGain 5 MultiBandLevel 1 MultiBandLevel 2 FinMultibandEqualizer\n"
      "DebutFinParamFx\n";
  Ecrit("tagged", "fx", "\x02" + fx);
  const std::string neck = std::string(dossierNecks) + "/guitar.nck";
  FILE* f = std::fopen(neck.c_str(), "rb");
  std::string texte;
  if (f) {
    char tampon[4096];
    size_t n;
    while ((n = std::fread(tampon, 1, sizeof tampon, f)) > 0) texte.append(tampon, n);
    std::fclose(f);
  } else {
    erreurs++;
  }
  Ecrit("tagged", "neck-file", std::string(1, '\0') + texte);
  Ecrit("tagged", "neck-memory", "\x01" + texte);
}

void Voix() {
  using namespace tamrel_test;
  // Two sections of version 98.05 (index 5): fragments of every form, then
  // the second staff sharing the first's.
  NativeWriter w(0x9805);
  VoiceSectionRecord r;
  r.phoneme = "la";
  VoiceFragmentRecord table;
  table.table[0][0] = 700;
  VoiceFragmentRecord plain;
  plain.form = 0;
  plain.rows = 1;
  plain.columns = 2;
  plain.values = {1.5f, -2};
  VoiceFragmentRecord rice = plain;
  rice.rows = 2;
  rice.packing = 1;
  rice.packed = RiceSpectrumBlock({3, 4, 5, 7}, 2, 2, 2);
  r.fragments = {table, plain, rice};
  WriteVoiceSection(w, r);
  VoiceSectionRecord partage;
  partage.fragmentCount = 3;
  partage.sharedStaff = 0;
  WriteVoiceSection(w, partage);
  Bytes b = w.Finish();
  b.insert(b.begin(), 5);
  Ecrit("voix", "sections-9805", b);
  NativeWriter ancien(0x076F);
  r.fragments = {table};
  WriteVoiceSection(ancien, r);
  b = ancien.Finish();
  b.insert(b.begin(), 1);
  Ecrit("voix", "section-76f", b);
  Ecrit("voix", "file",
        "\x80"
        "DebutParamVoix\n  amplificationVoix 1.1 decalageOctave -1 PhonemeSansParole \"a\" Icone <0102A0>\n"
        "  CoeffVelociteWeak 0.5 EfficaciteVelociteNotes 0.8\n"
        "  DebutFragment ID \"t\" PRM_F1 Val 700 RaAv 1 FinPrm FinFragment\n"
        "  DebutFragment NbSpectre 2 TailleSpectre 3 DebutDataSpectre 1 2 3 4.5 5 -6 FinFragment\n"
        "  DebutFragment NbSpectre 1 TailleSpectre 2 DebutPackedSpectre FxCpCy0cPcO FinFragment\n"
        "  DebutFragment NbSpectre 3 TailleSpectre 2 RicePackedSpectreSize 15\n"
        "    DebutRicePackedSpectre 00000mEKG00000G3E8cr FinFragment\n"
        "FinParamVoix\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds FOLDER\n");
    return 2;
  }
  racine = argv[1];
  mkdir(racine.c_str(), 0755);
  // Every target gets its folder, with or without seeds made here.
  const std::string cibles = TAMREL_FUZZ_TARGETS;
  for (size_t debut = 0; debut < cibles.size();) {
    size_t fin = cibles.find(',', debut);
    if (fin == std::string::npos) fin = cibles.size();
    mkdir((racine + "/" + cibles.substr(debut, fin - debut)).c_str(), 0755);
    debut = fin + 1;
  }
  Natifs();
  Partitions();
  Images();
  Codecs();
  Dessins();
  Textes();
  Airs();
  Tablatures();
  Tagged(TAMREL_NECKS);
  Voix();
  if (erreurs) std::fprintf(stderr, "fuzz_seeds: %d files could not be written\n", erreurs);
  return erreurs ? 1 : 0;
}
