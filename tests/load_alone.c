/* Each library given is loaded by itself, as ctypes or a plugin loader loads
 * it: this program links none of them and has no run path, so whatever a library
 * needs of the project must be found through that library's own run path
 * (in the build tree its own directory, where libvarnel.so.0 lies).
 * Checked for each: it loads; every entry of its run path is its own
 * directory ($ORIGIN, possibly written out with "/." to the installed run
 * path's length), none empty (an empty entry is the current directory);
 * and a function it exports (the first symbol named after the file) gives
 * the expected bits.
 * usage: load_alone LIBRARY SYMBOL BITS [LIBRARY SYMBOL BITS]... */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <inttypes.h>
#include <link.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* The DT_RUNPATH string of a loaded object, or NULL. */
static const char *runpath_of(struct link_map *map) {
  const char *strtab = NULL;
  ElfW(Xword) offset = 0;
  int found = 0;
  for (const ElfW(Dyn) *d = map->l_ld; d->d_tag != DT_NULL; ++d) {
    if (d->d_tag == DT_STRTAB) strtab = (const char *)d->d_un.d_ptr;
    if (d->d_tag == DT_RUNPATH) { offset = d->d_un.d_val; found = 1; }
  }
  return found && strtab ? strtab + offset : NULL;
}

/* An entry that names the object's own directory: "$ORIGIN" followed by any
 * number of "/." and at most one final "/". */
static int is_origin(const char *entry, size_t length) {
  if (length < 7 || strncmp(entry, "$ORIGIN", 7) != 0) return 0;
  for (size_t i = 7; i < length; i += 2) {
    if (entry[i] != '/') return 0;
    if (i + 1 == length) return 1; /* a final "/" */
    if (entry[i + 1] != '.') return 0;
  }
  return 1;
}

int main(int argc, char **argv) {
  int failed = 0;
  if (argc < 4 || (argc - 1) % 3 != 0) {
    fprintf(stderr, "usage: load_alone LIBRARY SYMBOL BITS...\n");
    return 2;
  }
  for (int i = 1; i + 2 < argc; i += 3) {
    const char *path = argv[i], *symbol = argv[i + 1];
    uint64_t want = strtoull(argv[i + 2], NULL, 16);
    void *handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      printf("FAIL %s does not load by itself: %s\n", path, dlerror());
      failed = 1;
      continue;
    }
    struct link_map *map = NULL;
    dlinfo(handle, RTLD_DI_LINKMAP, &map);
    const char *runpath = map ? runpath_of(map) : NULL;
    if (!runpath) {
      printf("FAIL %s: no run path\n", path);
      failed = 1;
    } else {
      const char *entry = runpath;
      int ok = 1;
      for (;;) {
        size_t length = strcspn(entry, ":");
        if (!is_origin(entry, length)) ok = 0;
        if (entry[length] == '\0') break;
        entry += length + 1;
      }
      printf("%s %s: run path %s\n", ok ? "ok  " : "FAIL", path, runpath);
      if (!ok) {
        printf("     every entry must be the library's own directory, none empty\n");
        failed = 1;
      }
    }
    double (*function)(double) = (double (*)(double))dlsym(handle, symbol);
    if (!function) {
      printf("FAIL %s: no symbol %s\n", path, symbol);
      failed = 1;
      continue;
    }
    double result = function(0.5);
    uint64_t bits;
    memcpy(&bits, &result, sizeof bits);
    printf("%s %s(0.5) = %016" PRIx64 "%s\n", bits == want ? "ok  " : "FAIL", symbol, bits,
           bits == want ? "" : " (wrong bits)");
    if (bits != want) failed = 1;
  }
  return failed;
}
