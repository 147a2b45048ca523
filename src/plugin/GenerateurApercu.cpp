#include "plugin/GenerateurApercu.h"

#include <cairo.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "model/Document.h"
#include "platform/Fonts.h"
#include "platform/Memory.h"
#include "platform/PictContext.h"
#include "platform/SpecialFolders.h"
#include "platform/Trace.h"
#include "plugin/PiloteRequete.h"
#include "system/Dossiers.h"
#include "system/Reporters.h"
#include "text/Fontes.h"

int16_t VolumeResources = 0;
int32_t PathResources = 0;
FSSpec Gfspec = {};

namespace {

int32_t instancesFabrique = 0;
bool sortieEnregistree = false;

// The log sink of the plug-in: silent unless tracing.
void Journal(const char* texte) { Printf("TamrelQL :%s\n", texte); }

// The rectangle a picture is drawn into, as the frame (y downwards) of a
// QuickDraw picture: the context's y goes upwards.
QLRect RectEnUnites(double x, double y, double w, double h) { return QLRect{x, y, w, h}; }

void RemplitBlanc(cairo_t* cr, double w, double h) {
  cairo_save(cr);
  cairo_set_source_rgba(cr, 1, 1, 1, 1);
  cairo_rectangle(cr, 0, 0, w, h);
  cairo_fill(cr);
  cairo_restore(cr);
}

// The file's extension, upper-cased: empty without a '.'.
std::string ExtensionMajuscule(const char* nom) {
  const char* point = std::strrchr(nom, '.');
  std::string ext = point ? point + 1 : "";
  for (char& c : ext)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return ext;
}

// Code points of UTF-8 text (a broken sequence stands for itself byte by byte).
std::vector<uint32_t> PointsDeCode(const std::string& texte) {
  std::vector<uint32_t> points;
  for (size_t i = 0; i < texte.size();) {
    const uint8_t c = uint8_t(texte[i]);
    const int n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    uint32_t v = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
    bool ok = n > 0 && i + size_t(n) <= texte.size();
    for (int k = 1; ok && k < n; k++) {
      const uint8_t d = uint8_t(texte[i + size_t(k)]);
      ok = (d & 0xC0) == 0x80;
      v = (v << 6) | (d & 0x3F);
    }
    points.push_back(ok ? v : c);
    i += ok ? size_t(n) : 1;
  }
  return points;
}

// The extension in blue under the page: "Helvetica-Bold" at a sixth of the
// page height, 10 units between characters, centred, its baseline at 5 %.
void DessineBadge(cairo_t* cr, const char* nom, double w, double h) {
  const std::vector<uint32_t> texte = PointsDeCode(ExtensionMajuscule(nom));
  const int16_t taille = int16_t(std::trunc(h * 0.16666667));
  const FontResolved* police = FontResolve(FontNumberForName("Helvetica-Bold"), 0);
  if (texte.empty() || taille <= 0 || !police || !police->file || !police->file->cairo) return;
  FontFile* fichier = police->file;
  const double espacement = 10;
  const double parUnite = double(taille) / double(fichier->upem > 0 ? fichier->upem : 1000);
  std::vector<cairo_glyph_t> glyphes;
  double avance = 0;
  for (uint32_t c : texte) {
    const uint32_t g = FontGlyphFor(fichier, c);
    glyphes.push_back(cairo_glyph_t{g, avance, 0});
    avance += FontGlyphAdvance(fichier, g) * parUnite + espacement;
  }
  cairo_save(cr);
  // The context's y goes upwards: text is set with y downwards at the baseline.
  cairo_translate(cr, (w - avance) * 0.5, h * 0.05);
  cairo_scale(cr, 1, -1);
  cairo_set_font_face(cr, fichier->cairo);
  cairo_set_font_size(cr, taille);
  cairo_set_source_rgba(cr, 0, 0, 1, 0.8);
  cairo_show_glyphs(cr, glyphes.data(), int(glyphes.size()));
  cairo_restore(cr);
}

// The application folder (error log) is the bundle's parent.
void FixeDossierApplication(QLRequest* request) {
  const char* bundle = QLRequestGetGeneratorBundle(request);
  if (!bundle || !bundle[0]) return;
  std::string parent(bundle);
  const size_t barre = parent.rfind('/');
  if (barre == std::string::npos) return;
  SetApplicationFolderPath(barre == 0 ? "/" : parent.substr(0, barre).c_str());
}

}  // namespace

void CFPlugInAddInstanceForFactory(const QLUUID*) { instancesFabrique++; }
void CFPlugInRemoveInstanceForFactory(const QLUUID*) { instancesFabrique--; }
int32_t CFPlugInInstanceCountForFactory() { return instancesFabrique; }

void DesinstalleVellari() {
  // Activation was for this process only: the font simply stops being used.
  vellariPrint = vellariScreen54 = vellariScreen72 = vellariScreen108 = 0;
}

void InitVellariFont(QLRequest* preview, QLRequest* thumbnail) {
  if (vellariPrint != 0) return;
  if (!sortieEnregistree) {
    std::atexit(DesinstalleVellari);
    sortieEnregistree = true;
  }
  const char* bundle = preview ? QLRequestGetGeneratorBundle(preview) : QLRequestGetGeneratorBundle(thumbnail);
  if (!bundle || !bundle[0]) {
    Journal("QLPreviewRequestGetGeneratorBundle err");
    return;
  }
  const std::string ressources = std::string(bundle) + "/Resources";
  const int32_t dir = PlatformDirIDForPath(ressources.c_str());
  if (dir == 0) {
    Journal("CFBundleCopyResourceURL err");
    return;
  }
  // The resource folder is known from here on, whatever the font does.
  VolumeResources = kVolumeRacine;
  PathResources = dir;
  FSSpec fss;
  if (FSMakeFSSpec(VolumeResources, PathResources, "SVELLARI.TTF", &fss) != noErr) {
    Journal("CFURLGetFSRef err");
    return;
  }
  Gfspec = fss;
  const std::string fichier = ressources + "/SVELLARI.TTF";
  if (FMActivateFonts(fichier.c_str()) != noErr) {
    Journal("FMActivateFonts err");
    return;
  }
  const int16_t id = FontNumberForName("SVellari");
  if (id == 0) Journal("CarboniseGetIDFontFromName err");
  vellariPrint = vellariScreen54 = vellariScreen72 = vellariScreen108 = id;
}

QDPictRef CreateQDPictFromPictureData(Handle bytes, int32_t length) {
  if (!bytes || !*bytes || length < 10) return nullptr;
  auto* p = static_cast<QDPict*>(std::malloc(sizeof(QDPict)));
  if (!p) return nullptr;
  p->pic = bytes;
  p->length = length;
  return p;
}

void QDPictRelease(QDPictRef pict) { std::free(pict); }

int32_t QDPictDrawToCGContext(cairo_t* cr, QLRect rect, QDPictRef pict) {
  if (!cr || !pict || rect.width <= 0 || rect.height <= 0) return -50;
  // The picture's top goes to the rectangle's top: flip to y downwards there.
  cairo_save(cr);
  cairo_translate(cr, rect.x, rect.y + rect.height);
  cairo_scale(cr, rect.width / std::ceil(rect.width), -rect.height / std::ceil(rect.height));
  const Rect dst = {0, 0, int16_t(std::ceil(rect.height)), int16_t(std::ceil(rect.width))};
  const bool ok = DrawPictureIntoContext(cr, pict->pic, &dst);
  cairo_restore(cr);
  return ok ? 0 : -1;
}

int32_t GeneratePreviewForURL(void*, QLRequest* preview, const char* url, const char*, const void*) {
  Journal("GeneratePreviewForURL start...");
  FixeDossierApplication(preview);
  double chrono = TimingStart();
  InitVellariFont(preview, nullptr);
  TimingReport("font activation", chrono);
  Rect pageRect = {0, 0, 0, 0};
  uint16_t pageCount = 0;
  chrono = TimingStart();
  Document* doc = LoadDocument(url, &pageRect, &pageCount, nullptr);
  TimingReport("LoadDocument", chrono);
  if (!doc) {
    Journal("LoadDocument err");
    QLNoteFailure(preview, GetRaisonEchecChargement());
    return 0;
  }
  const double w = pageRect.right, h = pageRect.bottom;
  const double echelle = EchelleContexteDocument(doc);
  if (pageCount == 1) {
    chrono = TimingStart();
    PicHandle pic = CreatePictPage(doc, 1, 1, &pageRect);
    TimingReport("page recording", chrono);
    if (!pic) Journal("Can't create picture ");
    QDPictRef pict = pic ? CreateQDPictFromPictureData(pic, int32_t(GetHandleSize(pic))) : nullptr;
    if (pic && !pict) Journal("Can't create qdPict");
    if (pict) {
      cairo_t* cr = QLRequestCreateContext(preview, QLSize{w + 128, h + 128}, echelle);
      if (cr) {
        chrono = TimingStart();
        RemplitBlanc(cr, w, h);
        const int32_t err = QDPictDrawToCGContext(cr, RectEnUnites(64, 64, w - 128, h - 128), pict);
        if (err) Printf("TamrelQL :QDPictDrawToCGContext err %ld\n", long(err));
        TimingReport("page drawing", chrono);
        KillPicture(pic);
        pic = nullptr;
        QLFlushContext(preview, cr);
        QLReleaseContext(preview, cr);
      } else {
        Journal("Can't create cgContext");
      }
      QDPictRelease(pict);
    }
    if (pic) KillPicture(pic);
  } else {
    const QLRect media = {0, 0, w, h};
    cairo_t* cr = QLRequestCreatePDFContext(preview, media, echelle);
    if (cr) {
      int32_t n = pageCount;
      if (n >= 51) n = 50;
      if (int16_t(n) < 1) {
        QLFlushContext(preview, cr);
        QLReleaseContext(preview, cr);
        QLNoteFailure(preview, GetRaisonEchecChargement());
        DisposeDocument(doc);
        return 0;
      }
      double enregistrement = 0, dessin = 0;
      for (int32_t page = 1; page <= n; page++) {
        QLBeginPDFPage(preview, cr, media);
        chrono = TimingStart();
        PicHandle pic = CreatePictPage(doc, uint16_t(page), uint16_t(n), &pageRect);
        enregistrement += TimingStart() - chrono;
        if (pic) {
          chrono = TimingStart();
          QDPictRef pict = CreateQDPictFromPictureData(pic, int32_t(GetHandleSize(pic)));
          if (pict) QDPictDrawToCGContext(cr, RectEnUnites(0, 0, w, h), pict);
          dessin += TimingStart() - chrono;
          KillPicture(pic);
          QDPictRelease(pict);
        }
        QLEndPDFPage(preview, cr);
      }
      // Summed over the pages: reported as if from one mark.
      TimingReport("page recording", TimingStart() - enregistrement);
      TimingReport("page drawing", TimingStart() - dessin);
      QLFlushContext(preview, cr);
      QLReleaseContext(preview, cr);
    } else {
      Journal("Can't create cgContext");
    }
  }
  DisposeDocument(doc);
  return 0;
}

int32_t GenerateThumbnailForURL(void*, QLRequest* thumbnail, const char* url, const char*, const void*,
                                QLSize maxSize) {
  Journal("GenerateThumbnailForURL v2 start...");
  FixeDossierApplication(thumbnail);
  double chrono = TimingStart();
  InitVellariFont(nullptr, thumbnail);
  TimingReport("font activation", chrono);
  Rect pageRect = {0, 0, 0, 0};
  uint16_t pageCount = 0;
  char nom[kTailleNomDocument] = "";
  chrono = TimingStart();
  Document* doc = LoadDocument(url, &pageRect, &pageCount, nom);
  TimingReport("LoadDocument", chrono);
  if (!doc) {
    QLNoteFailure(thumbnail, GetRaisonEchecChargement());
    return 0;
  }
  const double w = pageRect.right, h = pageRect.bottom;
  // A document that did not load has no page: nothing is drawn.
  if (w <= 96 || h <= 96) {
    QLNoteFailure(thumbnail, GetRaisonEchecChargement());
    DisposeDocument(doc);
    return 0;
  }
  chrono = TimingStart();
  PicHandle pic = CreatePictPage(doc, 1, 1, &pageRect);
  TimingReport("page recording", chrono);
  QDPictRef pict = pic ? CreateQDPictFromPictureData(pic, int32_t(GetHandleSize(pic))) : nullptr;
  if (pict) {
    chrono = TimingStart();
    cairo_t* cr = QLRequestCreateContext(thumbnail, QLSize{w + 96, h + 96}, EchelleContexteDocument(doc));
    if (cr) {
      RemplitBlanc(cr, w, h);
      QDPictDrawToCGContext(cr, RectEnUnites(48, 48, w - 96, h - 96), pict);
      if (!(maxSize.width >= 130)) DessineBadge(cr, nom, w, h);
      TimingReport("page drawing", chrono);
      QLFlushContext(thumbnail, cr);
      QLReleaseContext(thumbnail, cr);
    }
    QDPictRelease(pict);
  }
  if (pic) KillPicture(pic);
  DisposeDocument(doc);
  return 0;
}

void CancelPreviewGeneration(void*, QLRequest*) {}
void CancelThumbnailGeneration(void*, QLRequest*) {}
