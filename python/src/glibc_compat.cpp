// The wheel's extension only (VARNEL_OLD_GLIBC_SYMBOLS): the C++ run time is
// linked into it statically, and the archive's objects call C library
// functions that glibc versioned anew after 2.28 or added since. Their calls
// are redirected here by the linker (--wrap=NAME turns a call of NAME into
// one of __wrap_NAME), and each is answered by the old version of the same
// function, which cmake/old-glibc-symbols.h (compiled into this file too)
// binds. The list of names is VARNEL_WRAPPED_GLIBC in python/CMakeLists.txt;
// tools/wheel_policy.py refuses the wheel if a newer version slips through.
#include <pthread.h>
#include <sys/random.h>

#include <cstddef>
#include <cstdint>

// Hidden: the wheel's objects export nothing but the module's entry point.
#pragma GCC visibility push(hidden)
extern "C" {

int __wrap_pthread_create(pthread_t* thread, const pthread_attr_t* attr,
                          void* (*start)(void*), void* arg) {
  return pthread_create(thread, attr, start, arg);
}
int __wrap_pthread_join(pthread_t thread, void** result) { return pthread_join(thread, result); }
int __wrap_pthread_detach(pthread_t thread) { return pthread_detach(thread); }
int __wrap_pthread_once(pthread_once_t* once, void (*init)(void)) {
  return pthread_once(once, init);
}
int __wrap_pthread_key_create(pthread_key_t* key, void (*destructor)(void*)) {
  return pthread_key_create(key, destructor);
}
int __wrap_pthread_key_delete(pthread_key_t key) { return pthread_key_delete(key); }
void* __wrap_pthread_getspecific(pthread_key_t key) { return pthread_getspecific(key); }
int __wrap_pthread_setspecific(pthread_key_t key, const void* value) {
  return pthread_setspecific(key, value);
}
int __wrap_pthread_mutex_trylock(pthread_mutex_t* mutex) { return pthread_mutex_trylock(mutex); }

// glibc 2.32's flag that lets the C++ run time skip atomic operations while
// the process has one thread. Glibc 2.28 has none: the run time is told the
// process may always have several, and always uses atomic operations, which
// is correct at any time (the interpreter runs threads anyway).
char __wrap___libc_single_threaded = 0;

// glibc 2.36's arc4random, which std::random_device's default source calls:
// the kernel's random numbers through getrandom (glibc 2.25).
uint32_t __wrap_arc4random(void) {
  uint32_t value = 0;
  unsigned char* p = reinterpret_cast<unsigned char*>(&value);
  std::size_t got = 0;
  while (got < sizeof value) {
    const ssize_t n = getrandom(p + got, sizeof value - got, 0);
    if (n > 0) got += static_cast<std::size_t>(n);
  }
  return value;
}

}  // extern "C"
#pragma GCC visibility pop
