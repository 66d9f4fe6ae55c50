/* The three names that libstdc++'s random device asks of the C run time and
 * that crtdll.dll spells differently or lacks. The programs never make a
 * random device, but the library's string instantiations bring its code in. */
#include <errno.h>
#include <io.h>

int read(int fd, void *buffer, unsigned int count) { return _read(fd, buffer, count); }

int close(int fd) { return _close(fd); }

/* crtdll.dll has no rand_s: the random device then reports no entropy source. */
static int __cdecl no_rand_s(unsigned int *value) {
  (void)value;
  return EINVAL;
}
int(__cdecl *_imp__rand_s)(unsigned int *) = no_rand_s;
