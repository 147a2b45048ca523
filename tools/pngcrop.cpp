// Cuts a rectangle out of a PNG and scales it, to look at sheets closely.
// Usage: pngcrop IN.png OUT.png X Y W H [SCALE]
#include <cairo.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 7) {
    fprintf(stderr, "usage: pngcrop IN.png OUT.png X Y W H [SCALE]\n");
    return 2;
  }
  cairo_surface_t* in = cairo_image_surface_create_from_png(argv[1]);
  if (cairo_surface_status(in) != CAIRO_STATUS_SUCCESS) return 1;
  double x = atof(argv[3]), y = atof(argv[4]), w = atof(argv[5]), h = atof(argv[6]);
  double s = argc > 7 ? atof(argv[7]) : 1;
  cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(w * s), int(h * s));
  cairo_t* cr = cairo_create(out);
  cairo_scale(cr, s, s);
  cairo_set_source_surface(cr, in, -x, -y);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_paint(cr);
  cairo_destroy(cr);
  int rc = cairo_surface_write_to_png(out, argv[2]) == CAIRO_STATUS_SUCCESS ? 0 : 1;
  cairo_surface_destroy(out);
  cairo_surface_destroy(in);
  return rc;
}
