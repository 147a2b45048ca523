#include "plugin/PiloteRequete.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "import/ImportABC.h"
#include "import/ImportTAB.h"
#include "import/MXLContainer.h"
#include "import/MusicXML.h"
#include "layout/ImpressionPartition.h"
#include "layout/Imprimante.h"
#include "layout/MiseEnPage.h"
#include "layout/ModeGraphique.h"
#include "layout/ModesEcran.h"
#include "layout/Regle.h"
#include "layout/TracePage.h"
#include "layout/Zoom.h"
#include "model/Document.h"
#include "model/Partition.h"
#include "model/QRVPOBJ.h"
#include "model/TabEltMesure.h"
#include "model/Vues.h"
#include "notation/NomsNotes.h"
#include "notation/QrvLiaisonCoule.h"
#include "notation/TraceLiaisons.h"
#include "platform/DateTime.h"
#include "platform/Files.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "plugin/FormatFichier.h"
#include "plugin/GenerateurApercu.h"
#include "plugin/LectureDocument.h"
#include "plugin/Necks.h"
#include "plugin/Preferences.h"
#include "plugin/TagParam.h"
#include "system/BudgetRequete.h"
#include "system/Dossiers.h"
#include "system/Handles.h"
#include "system/QrvFiles.h"
#include "system/Reporters.h"
#include "system/Strings.h"
#include "text/Fontes.h"
#include "text/UTFText.h"

namespace {

char raisonEchec[512];

// Loading makes the document's folder current, as its readers open it and
// what it names by name. The folder that was current before comes back when
// the load fails and when the last open document is disposed of: a host
// process keeps its own current folder from one request to the next.
int dossierAppelant = -1;
int documentsOuverts = 0;

void RetientDossierAppelant() {
  if (documentsOuverts++ == 0 && dossierAppelant < 0)
    dossierAppelant = open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);  // -1 if it is gone: nothing to restore
}

void RendDossierAppelant() {
  if (documentsOuverts > 0 && --documentsOuverts > 0) return;
  if (dossierAppelant < 0) return;
  if (fchdir(dossierAppelant) != 0) Printf("TamrelQL :fchdir err %d\n", errno);
  close(dossierAppelant);
  dossierAppelant = -1;
}

// Where the document draws: its own port when it has one, else its dialog's.
GrafPtr PortDocument(const Document* doc) {
  if (doc->portDocument) return doc->portDocument;
  return doc->dialogue ? GetDialogPort(static_cast<DialogPtr>(doc->dialogue)) : nullptr;
}

ChargeurDocumentTest chargeurTest = nullptr;

// "file:///a%20b" to "/a b"; anything else is taken as a path.
bool CheminDepuisURL(const char* url, std::string* chemin) {
  if (!url || !url[0]) return false;
  const char* p = url;
  if (std::strncmp(p, "file://", 7) == 0) {
    p += 7;
    if (std::strncmp(p, "localhost/", 10) == 0) p += 9;
    if (*p != '/') return false;
  }
  chemin->clear();
  for (; *p; p++) {
    auto hex = [](char c) {
      return c >= '0' && c <= '9'   ? c - '0'
             : c >= 'a' && c <= 'f' ? c - 'a' + 10
             : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                    : -1;
    };
    if (*p == '%' && hex(p[1]) >= 0 && hex(p[2]) >= 0) {
      const char c = char(hex(p[1]) * 16 + hex(p[2]));
      if (c == 0) return false;
      chemin->push_back(c);
      p += 2;
    } else {
      chemin->push_back(*p);
    }
  }
  return !chemin->empty();
}

// Every request starts from the same process state, whatever the one before
// left behind: no stream open, no version being read, default preferences and
// the screen resolution.
void RemetEtatRequete() {
  CloseFile();
  ioCustom.finFichier = 0;
  VersionQuarvelLoad = 0;
  PreferencesParDefaut();
  GetFontesPrefs().listUnknownFonts = pref.listeFontesInconnues;
  GetFontesPrefs().listSubstitutedFonts = pref.listeFontesSubstituees;
  ClrListeFontInconnue();
  SetDpiDest(72);
  // A tablature import points these at the bundle's resources for its necks.
  PathApplication = CheminVol{0, 0};
  PathNecks = CheminVol{0, 0};
  // Necks a document brought in would otherwise stand in for the next
  // document's own necks of the same id; the tagged reader forgets a source
  // whose owner is gone.
  LibereTabNeck();
  TagSetFile(nullptr);
  // Slur and beam-link defaults come from the document's own first link, and
  // no link of an unfinished page waits for the next one.
  OublieLiaisonCouleDefaut();
  VideLiaisonsEnAttente();
  raisonEchec[0] = 0;
}

// A score whose staves are all left out of its systems still shows one (blank) page.
uint16_t NombrePagesDocument(Partition** score) {
  const int16_t n = CombienDePages(score);
  if (n > 0) return uint16_t(n);
  return score != nullptr ? 1 : 0;
}

// The current score must be one of the document's scores.
bool PartitionCouranteValide(const Document* doc) {
  if (doc->partitionCourante == nullptr) return true;
  return doc->partitions != nullptr && doc->indexPartitionCourante >= 0 &&
         doc->indexPartitionCourante < doc->nbPartitions &&
         doc->partitions[doc->indexPartitionCourante] == doc->partitionCourante;
}

// A text-format import is a new document: dated now, as the MusicXML import
// dates its own (undated, the page footer's year read 1904).
void DateMaintenant(Document* doc) {
  uint32_t maintenant = 0;
  GetDateTime(&maintenant);
  for (int i = 0; i < 3; i++) doc->dates[i] = maintenant;
}

int16_t ChargeSelonFormat(Document* doc, int32_t format, Handle mxl) {
  if (chargeurTest) return chargeurTest(doc, format);
  switch (format) {
    case kFormatABC: {
      Partition** score = CreePartitionVide(doc);
      if (!score) return 0;
      CreePorteeVide(score, 0, 1, 1);
      FixeMiseEnPageStandardDocument(doc);
      SetModeEcran(score, kModeEcranRuban);
      DateMaintenant(doc);
      return ChargeMusiqueABC(doc, 0, nullptr) ? 1 : 0;
    }
    case kFormatTab: {
      PathApplication = CheminVol{VolumeResources, PathResources};
      PathNecks = CheminVol{VolumeResources, PathResources};
      InitTabNeck();
      Partition** score = CreePartitionVide(doc);
      if (!score) return 0;
      CreePorteeVide(score, 0, 1, 1);
      FixeMiseEnPageStandardDocument(doc);
      SetModeEcran(score, kModeEcranRuban);
      DateMaintenant(doc);
      return ChargeMusiqueTAB(doc) ? 1 : 0;
    }
    case kFormatXML:
    case kFormatMXL:
      FixeMiseEnPageStandardDocument(doc);
      return ChargeMusiqueXML(doc, format == kFormatMXL ? mxl : nullptr, 1, 0) ? 1 : 0;
    default:
      // The native reader refuses what does not carry its magic.
      if (format != kFormatQuarvel && format != kFormatQuarvelDiza)
        NoteRaisonEchecChargement(format == kFormatInconnu ? "not a score document (unknown format)"
                                                           : "a format this plug-in does not preview");
      return ChargeMusiqueStandard(doc) ? 1 : 0;
  }
}

}  // namespace

const char* GetRaisonEchecChargement() { return raisonEchec; }

void NoteRaisonEchecChargement(const char* reason) {
  if (raisonEchec[0] == 0 && reason) std::snprintf(raisonEchec, sizeof raisonEchec, "%s", reason);
}

void SetChargeurDocumentTest(ChargeurDocumentTest loader) { chargeurTest = loader; }

double EchelleContexteDocument(const Document* doc) {
  return 72.0 / 576.0 * double(ZoomPrintSur(GetZoomPrintDocument(doc)));
}

Document* LoadDocument(const char* url, Rect* pageRect, uint16_t* pageCount, char* name) {
  RemetEtatRequete();
  SetUnicodeApplication(1);
  GetDefautModeGraphique(&pref.modeGraphiqueUser);

  DebutBudgetRequete();

  std::string chemin;
  FSRef ref;
  Boolean dossier = 0;
  if (!CheminDepuisURL(url, &chemin)) {
    NoteRaisonEchecChargement("no such file");
    return nullptr;
  }
  // Only a regular file is read: a folder has no score, and a pipe or a
  // device could block the request for ever or never end.
  struct stat st;
  if (stat(chemin.c_str(), &st) != 0) {
    NoteRaisonEchecChargement(errno == EACCES ? "permission denied" : "no such file");
    return nullptr;
  }
  if (S_ISDIR(st.st_mode)) {
    NoteRaisonEchecChargement("a folder, not a file");
    return nullptr;
  }
  if (!S_ISREG(st.st_mode)) {
    NoteRaisonEchecChargement("not a regular file");
    return nullptr;
  }
  if (FSPathMakeRef(chemin.c_str(), &ref, &dossier) != noErr || dossier) {
    NoteRaisonEchecChargement("no such file");
    return nullptr;
  }
  const size_t barre = chemin.rfind('/');
  const std::string parent = barre == 0 ? "/" : chemin.substr(0, barre);
  char nom[kTailleNomDocument];
  strnzcpy(nom, chemin.c_str() + barre + 1, kTailleNomDocument);
  const int32_t dir = PlatformDirIDForPath(parent.c_str());
  if (dir == 0) {
    NoteRaisonEchecChargement("no such folder");
    return nullptr;
  }
  RetientDossierAppelant();
  FixeVolPath(kVolumeRacine, dir);
  const int16_t ouvert = OrvantaOpenFile(nom, "rb");
  if (name) strnzcpy(name, nom, kTailleNomDocument);

  const int32_t format = ouvert ? DetermineFormatFichier(nom) : kFormatInconnu;
  Handle mxl = nullptr;
  if (ouvert && format == kFormatMXL) {
    mxl = LoadMXL(nom);
    if (!mxl) {
      std::string texte = "the zipped MusicXML score could not be extracted";
      if (GetRaisonEchecMXL()[0]) texte = texte + ": " + GetRaisonEchecMXL();
      NoteRaisonEchecChargement(texte.c_str());
      CloseFile();
      RendDossierAppelant();
      return nullptr;
    }
  }
  if (!ouvert) {
    NoteRaisonEchecChargement(access(chemin.c_str(), R_OK) != 0 && errno == EACCES ? "permission denied"
                                                                                   : "the file cannot be opened");
    RendDossierAppelant();
    return nullptr;
  }
  auto* doc = reinterpret_cast<Document*>(NewPtrClear(Size(sizeof(Document))));
  if (!doc) {
    NoteRaisonEchecChargement("out of memory");
    LibereHandle(&mxl);
    CloseFile();
    RendDossierAppelant();
    return nullptr;
  }
  doc->indexPartitionCourante = -1;
  doc->indexVueCourante = -1;
  // Portrait, as the printer's page, unless the document says otherwise: an
  // imported document never sets it, and a zero would turn its pages.
  doc->orientation = 1;
  GrafPtr portSauve;
  GetPort(&portSauve);
  // A hidden dialog without pixels: the pages are only recorded there, so
  // nothing is rasterised on the way.
  const Rect bornes = {0, 0, 800, 600};
  doc->dialogue = NewColorDialog(nullptr, &bornes, nullptr, false, 0, nullptr, false, 0, nullptr);
  if (!doc->dialogue) Printf("TamrelQL :NewColorDialog err\n");
  SetPort(portSauve);

  int16_t ok = ChargeSelonFormat(doc, format, mxl);
  if (ok && !PartitionCouranteValide(doc)) {
    NoteRaisonEchecChargement("damaged document: its current score is not one of its scores");
    ok = 0;
  }
  if (ok) {
    FixeResolutionStdImprimante();
    PrInfo info;
    GetPrInfoDocument(doc, &info);
    Rect page = info.page;
    AppliqueZoomPrintDocumentAuRect(GetZoomPrintDocument(doc), &page);
    if (pageRect) *pageRect = page;

    if (GrafPtr port = PortDocument(doc)) SetPort(port);
    SetModeAfficheTaquetsRegle(0);
    pref.modeGraphiqueUser.drapeaux[1] = 1;
    pref.nomsNotesLettres = 1;
    InitTabNomNote();
    FixeResolutionStdImprimante();
    doc->reperesMiseEnPage = 0;
    Partition** score = doc->partitionCourante;
    uint16_t pages = 0;
    if (score) {
      InitVueCourante(doc);
      (*score)->document = doc;
      (*score)->resolutionImpression = info.resH;
      InjecteZoomPartition(score, 72.0f);
      SetModeEcran(score, kModeEcranImpression);
      SetDpiDest((*score)->resolutionImpression);
      InitPortees(score);
      EnableCalculTabElt(score);
      SetTabEltMesureModifie(score, kTabEltMarges);
      UpdateTabEltMesure(score, kTabEltTout);
      pages = NombrePagesDocument(score);
    }
    if (pageCount) *pageCount = pages;
    if (pages == 0) NoteRaisonEchecChargement("the document holds no score");
    else raisonEchec[0] = 0;
  } else {
    // The importer's own reason (the parser's message and line, a budget)
    // follows the format it was read as.
    char texte[sizeof raisonEchec];
    const bool importe = format == kFormatXML || format == kFormatMXL;
    const char* raisonImport = importe && GetRaisonEchecXML()[0] ? GetRaisonEchecXML() : raisonEchec;
    if (importe && raisonImport[0]) {
      std::snprintf(texte, sizeof texte, "not readable as %s: %s", NomFormatFichier(format), raisonImport);
      raisonEchec[0] = 0;
    } else {
      std::snprintf(texte, sizeof texte, "not readable as %s", NomFormatFichier(format));
    }
    NoteRaisonEchecChargement(texte);
  }
  SetPort(portSauve);
  CloseFile();
  LibereHandle(&mxl);
  return doc;
}

PicHandle CreatePictPage(Document* doc, uint16_t page, uint16_t pageCount, Rect* frame) {
  if (!doc || !frame) return nullptr;
  GrafPtr portSauve;
  GetPort(&portSauve);
  if (GrafPtr port = PortDocument(doc)) SetPort(port);
  PicHandle pic = OpenPicture(frame);
  if (pic) {
    ForeColor(blackColor);
    BackColor(whiteColor);
    EraseRect(frame);
    TracePageDocument(doc, int16_t(page), 1.0f, int16_t(page), int16_t(pageCount));
    ClosePicture();
  }
  SetPort(portSauve);
  return pic;
}

void DisposeDocument(Document* doc) {
  if (!doc) return;
  GrafPtr portSauve;
  GetPort(&portSauve);
  GrafPtr port = PortDocument(doc);
  if (port) SetPort(port);
  while (doc->partitions && doc->nbPartitions > 0) SupprimePartition(doc, doc->partitions[doc->nbPartitions - 1]);
  LiberePtr(&doc->partitions);
  DisposeVuesDocument(doc);
  LibereHandle(&doc->donneesSupplementaires);
  if (portSauve == port) portSauve = nullptr;
  SetPort(portSauve);
  if (doc->portDocument) DisposePort(doc->portDocument);
  if (doc->dialogue) DisposeDialog(static_cast<DialogPtr>(doc->dialogue));
  DisposePtr(reinterpret_cast<Ptr>(doc));
  SetPort(portSauve);
  RendDossierAppelant();
}
