#define _GNU_SOURCE

#include "baseline.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

static int push_name(struct bench_names* names, const char* name)
{
    if (names->count == names->capacity) {
        size_t capacity = names->capacity ? names->capacity * 2 : 1024;
        char** items = realloc(names->items, capacity * sizeof *items);
        if (!items)
            return ENOMEM;
        names->items = items;
        names->capacity = capacity;
    }
    if (!(names->items[names->count] = strdup(name)))
        return ENOMEM;
    ++names->count;
    return 0;
}

static int compare_names(const void* a, const void* b)
{
    return strcasecmp(*(char* const*)a, *(char* const*)b);
}

int bench_list_drawings(const char* folder, struct bench_names* bmp, struct bench_names* dib)
{
    DIR* dir = opendir(folder);
    if (!dir)
        return errno;
    int err = 0;
    struct dirent* entry;
    errno = 0;
    while (!err && (entry = readdir(dir)) != NULL) {
        struct stat st;
        if (entry->d_type != DT_REG &&
            (entry->d_type != DT_UNKNOWN || fstatat(dirfd(dir), entry->d_name, &st, 0) != 0 ||
             !S_ISREG(st.st_mode)))
            continue;
        size_t length = strlen(entry->d_name);
        const char* suffix = entry->d_name + (length >= 4 ? length - 4 : length);
        if (strcasecmp(suffix, ".bmp") == 0)
            err = push_name(bmp, entry->d_name);
        else if (strcasecmp(suffix, ".dib") == 0)
            err = push_name(dib, entry->d_name);
    }
    if (!err && errno)
        err = errno;
    closedir(dir);
    qsort(bmp->items, bmp->count, sizeof *bmp->items, compare_names);
    qsort(dib->items, dib->count, sizeof *dib->items, compare_names);
    return err;
}

void bench_free_names(struct bench_names* names)
{
    for (size_t i = 0; i < names->count; ++i)
        free(names->items[i]);
    free(names->items);
}

int bench_rename(const char* from, const char* to)
{
    return renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0 ? 0 : errno;
}

unsigned char* bench_read_file(const char* path, size_t* size)
{
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return NULL;
    struct stat st;
    unsigned char* data = NULL;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
        data = malloc((size_t)st.st_size);
    if (data && read(fd, data, (size_t)st.st_size) != st.st_size) {
        free(data);
        data = NULL;
    }
    close(fd);
    *size = data ? (size_t)st.st_size : 0;
    return data;
}

static uint32_t le(const unsigned char* p, int bytes)
{
    uint32_t value = 0;
    while (bytes--)
        value = value << 8 | p[bytes];
    return value;
}

uint32_t* bench_decode_bmp24(const char* path, int* width, int* height)
{
    size_t size = 0;
    unsigned char* data = bench_read_file(path, &size);
    uint32_t* argb = NULL;
    if (data && size >= 54 && data[0] == 'B' && data[1] == 'M' && le(data + 14, 4) >= 40 &&
        le(data + 28, 2) == 24 && le(data + 30, 4) == 0) {
        const uint32_t offset = le(data + 10, 4);
        const int32_t w = (int32_t)le(data + 18, 4), h = (int32_t)le(data + 22, 4);
        const size_t stride = ((size_t)w * 3 + 3) & ~(size_t)3;
        if (w > 0 && h > 0 && offset <= size && (size - offset) / stride >= (size_t)h &&
            (argb = malloc((size_t)w * (size_t)h * sizeof *argb)) != NULL) {
            for (int y = 0; y < h; ++y) {
                const unsigned char* src = data + offset + stride * (size_t)(h - 1 - y); /* bottom-up */
                uint32_t* dst = argb + (size_t)w * (size_t)y;
                for (int x = 0; x < w; ++x, src += 3)
                    dst[x] = 0xff000000u | (uint32_t)src[2] << 16 | (uint32_t)src[1] << 8 | src[0];
            }
            *width = w;
            *height = h;
        }
    }
    free(data);
    return argb;
}
