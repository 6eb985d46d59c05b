/* The raw operations beneath the tool, in plain C, against which it is measured. */
#pragma once

#include <stddef.h>
#include <stdint.h>

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
/* Renames from to to, never replacing a file (renameat2 with RENAME_NOREPLACE). Returns 0 or errno. */
int bench_rename(const char* from, const char* to);
/* Reads a whole file with one read(); returns the malloc'd bytes, or NULL. */
unsigned char* bench_read_file(const char* path, size_t* size);
/* Reads an uncompressed, bottom-up 24-bit Windows bitmap and converts it to 0xAARRGGBB words, top
 * row first. Returns the malloc'd pixels, or NULL when the file cannot be read or is not such a bitmap. */
uint32_t* bench_decode_bmp24(const char* path, int* width, int* height);
