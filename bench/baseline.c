#define _DEFAULT_SOURCE

#include "baseline.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
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
    names->items[names->count] = strdup(name);
    if (!names->items[names->count])
        return ENOMEM;
    ++names->count;
    return 0;
}

static int compare_names(const void* a, const void* b)
{
    return strcasecmp(*(char* const*)a, *(char* const*)b);
}

static int has_suffix(const char* name, size_t length, const char* suffix)
{
    return length >= 4 && strcasecmp(name + length - 4, suffix) == 0;
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
        if (entry->d_type != DT_REG) {
            struct stat st;
            if (entry->d_type != DT_UNKNOWN || fstatat(dirfd(dir), entry->d_name, &st, 0) != 0 ||
                !S_ISREG(st.st_mode))
                continue;
        }
        size_t length = strlen(entry->d_name);
        if (has_suffix(entry->d_name, length, ".bmp"))
            err = push_name(bmp, entry->d_name);
        else if (has_suffix(entry->d_name, length, ".dib"))
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
    names->items = NULL;
    names->count = names->capacity = 0;
}

static uint32_t le32(const unsigned char* p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

static uint16_t le16(const unsigned char* p)
{
    return (uint16_t)(p[0] | p[1] << 8);
}

static unsigned char* read_file(const char* path, size_t* size)
{
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return NULL;
    struct stat st;
    unsigned char* data = NULL;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
        data = malloc((size_t)st.st_size);
    size_t have = 0;
    while (data && have < (size_t)st.st_size) {
        ssize_t n = read(fd, data + have, (size_t)st.st_size - have);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            free(data);
            data = NULL;
            break;
        }
        have += (size_t)n;
    }
    close(fd);
    *size = have;
    return data;
}

int bench_decode_bmp24(const char* path, struct bench_pixels* pixels)
{
    size_t size = 0;
    unsigned char* data = read_file(path, &size);
    if (!data)
        return -1;
    int result = -1;
    if (size >= 54 && data[0] == 'B' && data[1] == 'M' && le32(data + 14) >= 40 && le16(data + 26) == 1 &&
        le16(data + 28) == 24 && le32(data + 30) == 0) {
        const uint32_t offset = le32(data + 10);
        const int32_t width = (int32_t)le32(data + 18);
        const int32_t rows = (int32_t)le32(data + 22);
        const int height = rows < 0 ? -rows : rows;
        const size_t stride = ((size_t)width * 3 + 3) & ~(size_t)3;
        if (width > 0 && height > 0 && offset <= size && (size - offset) / stride >= (size_t)height) {
            uint32_t* argb = malloc((size_t)width * (size_t)height * sizeof *argb);
            if (argb) {
                for (int y = 0; y < height; ++y) {
                    /* Rows are stored bottom-up unless the height is negative. */
                    const unsigned char* src =
                        data + offset + stride * (size_t)(rows < 0 ? y : height - 1 - y);
                    uint32_t* dst = argb + (size_t)width * (size_t)y;
                    for (int x = 0; x < width; ++x, src += 3)
                        dst[x] = 0xff000000u | (uint32_t)src[2] << 16 | (uint32_t)src[1] << 8 | src[0];
                }
                pixels->argb = argb;
                pixels->width = width;
                pixels->height = height;
                result = 0;
            }
        }
    }
    free(data);
    return result;
}

void bench_free_pixels(struct bench_pixels* pixels)
{
    free(pixels->argb);
    pixels->argb = NULL;
    pixels->width = pixels->height = 0;
}
