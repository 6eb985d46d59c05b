/* The raw operations beneath the tool, written in plain C, against which it is measured. */
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A growing array of names, each allocated with strdup. */
struct bench_names
{
    char** items;
    size_t count;
    size_t capacity;
};

/* Reads folder once and splits its regular files into those ending in ".bmp" and those ending in
 * ".dib" (ignoring case), each sorted with strcasecmp. Returns 0, or the errno of the failure. */
int bench_list_drawings(const char* folder, struct bench_names* bmp, struct bench_names* dib);
void bench_free_names(struct bench_names* names);

/* Pixels as 0xAARRGGBB words, top row first. */
struct bench_pixels
{
    uint32_t* argb;
    int width;
    int height;
};

/* Reads an uncompressed 24-bit Windows bitmap into memory and converts it to 32-bit pixels.
 * Returns 0, or -1 when the file cannot be read or is not such a bitmap. */
int bench_decode_bmp24(const char* path, struct bench_pixels* pixels);
void bench_free_pixels(struct bench_pixels* pixels);

#ifdef __cplusplus
}
#endif
