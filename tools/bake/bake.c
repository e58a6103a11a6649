/* Renders an SVG at an exact pixel size and writes a 24-bit BMP (or a PNG).
 *
 *   rf_bake IN.svg OUT W H [--key] [--threshold N] [--matte RRGGBB]
 *                          [--bg RRGGBB] [--png]
 *
 * --key        transparent pixels become exactly magenta (255,0,255); pixels
 *              with alpha >= threshold (default 128) become opaque, coloured
 *              by their own un-premultiplied colour, or blended onto --matte.
 * --bg RRGGBB  (without --key) composite onto this opaque colour; default black.
 * --png        write a PNG with its alpha channel instead of a BMP.
 * No opaque pixel of a BMP is ever pure magenta: those become (254,0,254).
 */
#include <cairo.h>
#include <librsvg/rsvg.h>

#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef struct {
    const char *in;
    const char *out;
    int width;
    int height;
    int key;
    int threshold;
    int has_matte;
    unsigned char matte[3];
    unsigned char bg[3];
    int png;
} Options;

static void usage(void)
{
    fprintf(stderr,
            "usage: rf_bake IN.svg OUT W H [--key] [--threshold N] "
            "[--matte RRGGBB] [--bg RRGGBB] [--png]\n");
    exit(2);
}

static int parse_colour(const char *text, unsigned char rgb[3])
{
    if (strlen(text) != 6)
        return 0;
    char *end = NULL;
    unsigned long v = strtoul(text, &end, 16);
    if (*end != '\0')
        return 0;
    rgb[0] = (unsigned char)(v >> 16);
    rgb[1] = (unsigned char)(v >> 8);
    rgb[2] = (unsigned char)v;
    return 1;
}

static int parse_int(const char *text, int lo, int hi)
{
    char *end = NULL;
    long v = strtol(text, &end, 10);
    if (*text == '\0' || *end != '\0' || v < lo || v > hi)
        usage();
    return (int)v;
}

static Options parse(int argc, char **argv)
{
    Options o;
    memset(&o, 0, sizeof o);
    o.threshold = 128;
    if (argc < 5)
        usage();
    o.in = argv[1];
    o.out = argv[2];
    o.width = parse_int(argv[3], 1, 16384);
    o.height = parse_int(argv[4], 1, 16384);
    for (int i = 5; i < argc; ++i) {
        const char *a = argv[i];
        if (strcmp(a, "--key") == 0) {
            o.key = 1;
        } else if (strcmp(a, "--png") == 0) {
            o.png = 1;
        } else if (strcmp(a, "--threshold") == 0 && i + 1 < argc) {
            o.threshold = parse_int(argv[++i], 1, 255);
        } else if (strcmp(a, "--matte") == 0 && i + 1 < argc) {
            if (!parse_colour(argv[++i], o.matte))
                usage();
            o.has_matte = 1;
        } else if (strcmp(a, "--bg") == 0 && i + 1 < argc) {
            if (!parse_colour(argv[++i], o.bg))
                usage();
        } else {
            usage();
        }
    }
    return o;
}

static cairo_surface_t *render(const Options *o)
{
    GError *error = NULL;
    RsvgHandle *handle = rsvg_handle_new_from_file(o->in, &error);
    if (!handle) {
        fprintf(stderr, "rf_bake: %s: %s\n", o->in, error ? error->message : "cannot load");
        return NULL;
    }
    cairo_surface_t *surface =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, o->width, o->height);
    cairo_t *cr = cairo_create(surface);
    RsvgRectangle viewport = {0.0, 0.0, (double)o->width, (double)o->height};
    int ok = rsvg_handle_render_document(handle, cr, &viewport, &error);
    if (!ok)
        fprintf(stderr, "rf_bake: %s: %s\n", o->in, error ? error->message : "cannot render");
    cairo_destroy(cr);
    g_object_unref(handle);
    if (!ok || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return NULL;
    }
    cairo_surface_flush(surface);
    return surface;
}

/* Resolves one premultiplied ARGB pixel to the opaque colour the BMP stores. */
static void resolve(const Options *o, uint32_t px, unsigned char rgb[3])
{
    unsigned a = px >> 24;
    unsigned c[3] = {(px >> 16) & 0xff, (px >> 8) & 0xff, px & 0xff};
    if (o->key) {
        if (a < (unsigned)o->threshold) {
            rgb[0] = 255;
            rgb[1] = 0;
            rgb[2] = 255;
            return;
        }
        for (int i = 0; i < 3; ++i) {
            unsigned v;
            if (o->has_matte)
                v = c[i] + (o->matte[i] * (255 - a) + 127) / 255;
            else
                v = (c[i] * 255 + a / 2) / a;
            rgb[i] = (unsigned char)(v > 255 ? 255 : v);
        }
    } else {
        for (int i = 0; i < 3; ++i) {
            unsigned v = c[i] + (o->bg[i] * (255 - a) + 127) / 255;
            rgb[i] = (unsigned char)(v > 255 ? 255 : v);
        }
    }
    /* Pure magenta would turn this opaque pixel into a hole. */
    if (rgb[0] == 255 && rgb[1] == 0 && rgb[2] == 255) {
        rgb[0] = 254;
        rgb[2] = 254;
    }
}

static void put_le(unsigned char *p, uint32_t v, int n)
{
    for (int i = 0; i < n; ++i)
        p[i] = (unsigned char)(v >> (8 * i));
}

static int write_bmp(const Options *o, cairo_surface_t *surface)
{
    const int w = o->width, h = o->height;
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char *data = cairo_image_surface_get_data(surface);
    const uint32_t row_bytes = ((uint32_t)w * 3u + 3u) & ~3u;
    const uint32_t image_bytes = row_bytes * (uint32_t)h;

    unsigned char header[54];
    memset(header, 0, sizeof header);
    header[0] = 'B';
    header[1] = 'M';
    put_le(header + 2, 54u + image_bytes, 4);
    put_le(header + 10, 54u, 4);
    put_le(header + 14, 40u, 4);
    put_le(header + 18, (uint32_t)w, 4);
    put_le(header + 22, (uint32_t)h, 4); /* positive: rows stored bottom-up */
    put_le(header + 26, 1u, 2);
    put_le(header + 28, 24u, 2);
    put_le(header + 34, image_bytes, 4);
    put_le(header + 38, 2835u, 4);
    put_le(header + 42, 2835u, 4);

    unsigned char *row = calloc(row_bytes, 1);
    FILE *f = fopen(o->out, "wb");
    if (!row || !f) {
        fprintf(stderr, "rf_bake: %s: %s\n", o->out, strerror(errno));
        free(row);
        if (f)
            fclose(f);
        return 0;
    }
    int ok = fwrite(header, sizeof header, 1, f) == 1;
    for (int y = h - 1; ok && y >= 0; --y) {
        const uint32_t *src = (const uint32_t *)(data + (size_t)y * (size_t)stride);
        for (int x = 0; x < w; ++x) {
            unsigned char rgb[3];
            resolve(o, src[x], rgb);
            row[x * 3 + 0] = rgb[2];
            row[x * 3 + 1] = rgb[1];
            row[x * 3 + 2] = rgb[0];
        }
        ok = fwrite(row, row_bytes, 1, f) == 1;
    }
    if (fclose(f) != 0)
        ok = 0;
    free(row);
    if (!ok) {
        fprintf(stderr, "rf_bake: %s: write failed\n", o->out);
        remove(o->out);
    }
    return ok;
}

int main(int argc, char **argv)
{
    Options o = parse(argc, argv);
    cairo_surface_t *surface = render(&o);
    if (!surface)
        return 1;
    int ok;
    if (o.png) {
        ok = cairo_surface_write_to_png(surface, o.out) == CAIRO_STATUS_SUCCESS;
        if (!ok)
            fprintf(stderr, "rf_bake: %s: cannot write PNG\n", o.out);
    } else {
        ok = write_bmp(&o, surface);
    }
    cairo_surface_destroy(surface);
    return ok ? 0 : 1;
}
