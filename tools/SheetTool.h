#pragma once
// What the sheet tools share: their arguments, the music font, and writing
// the sheet as a PDF page and an optional PNG.
#include <cairo-pdf.h>
#include <cairo.h>

#include <cstdio>
#include <string>

#include "plugin/Preferences.h"
#include "text/Fontes.h"
#include "text/UTFText.h"

// 0 when the tool may draw; else its exit status, the reason printed.
inline int PrepareFeuille(int argc, char** argv, const char* nom) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUT.pdf [OUT.png] [SVELLARI.TTF]\n", nom);
    return 2;
  }
  const std::string fonte = argc > 3 ? argv[3] : std::string(TAMREL_RESOURCES "/SVELLARI.TTF");
  SetUnicodeApplication(1);
  if (!ActiveFonteVellari(fonte.c_str())) {
    std::fprintf(stderr, "%s: cannot activate %s\n", nom, fonte.c_str());
    return 1;
  }
  PreferencesParDefaut();
  return 0;
}

// The sheet, `largeur` x `hauteur` in drawing units, into argv[1] at
// `echellePdf` and, when asked, into argv[2] at `echellePng`.
template <class Dessin>
void EcritFeuille(int argc, char** argv, int largeur, int hauteur, double echellePdf, double echellePng,
                  Dessin dessine) {
  cairo_surface_t* pdf = cairo_pdf_surface_create(argv[1], largeur * echellePdf, hauteur * echellePdf);
  cairo_t* cr = cairo_create(pdf);
  cairo_scale(cr, echellePdf, echellePdf);
  dessine(cr);
  cairo_destroy(cr);
  cairo_surface_destroy(pdf);
  if (argc > 2) {
    cairo_surface_t* png =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(largeur * echellePng), int(hauteur * echellePng));
    cr = cairo_create(png);
    cairo_scale(cr, echellePng, echellePng);
    dessine(cr);
    cairo_destroy(cr);
    cairo_surface_write_to_png(png, argv[2]);
    cairo_surface_destroy(png);
  }
}
